#include "cli/cli.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "app/report.h"
#include "encoding/codepage.h"
#include "lookup/player.h"
#include "servers/server_list.h"

namespace pelmora {
namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli [--host HOST[:PORT]] [--power-only] [--json] SERVER NAME\n"
    "       pelmora-cli --list-servers\n"
    "       pelmora-cli --help\n"
    "\n"
    "Looks up a player's combat power on the profile service and prints the report.\n"
    "SERVER is a server index 1..24, a display name (艾欧尼亚) or a server value (电信一).\n"
    "Exit status: 0 found, 1 lookup failed, 2 usage or input error.\n";

// A stand-in for the window's server box: it keeps the items LoadServerList adds.
class ServerBox final : public Controls {
 public:
  const TextList& Items() const { return items_; }

  Text GetControlText(Control) override { return Text(); }
  void SetControlText(Control, std::string_view) override {}
  int GetSelectedIndex(Control) override { return selected_; }
  void SetSelectedIndex(Control, int index) override {
    selected_ = items_.empty() ? -1 : std::clamp(index, -1, static_cast<int>(items_.size()) - 1);
  }
  void AddItem(Control, std::string_view text) override { items_.emplace_back(text); }
  int IsChecked(Control) override { return 0; }
  void ShowMessage(std::string_view) override {}
  bool ProcessPendingMessages() override { return true; }

 private:
  TextList items_;
  int selected_ = -1;
};

TextList DisplayNames() {
  ServerBox box;
  LoadServerList(box);
  return box.Items();
}

struct Options {
  std::string host = PELMORA_PROFILE_HOST;
  bool powerOnly = false;
  bool json = false;
  bool listServers = false;
  bool help = false;
  std::vector<std::string> positional;
};

// The usage error for bad arguments, or nothing.
std::optional<std::string> Parse(const std::vector<std::string>& args, Options& options) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.positional.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--list-servers") {
      options.listServers = true;
    } else if (arg == "--power-only") {
      options.powerOnly = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--host" || arg.rfind("--host=", 0) == 0) {
      if (arg == "--host" && i + 1 == args.size()) return "--host needs a value";
      options.host = arg == "--host" ? args[++i] : arg.substr(7);
      if (options.host.empty() || options.host.find_first_of("/?#@ \t\r\n") != std::string::npos) {
        return "not a host: '" + options.host + "'";
      }
    } else {
      return "unknown option " + arg;
    }
  }
  if (options.help) return std::nullopt;
  if (options.listServers) {
    if (!options.positional.empty() || options.json || options.powerOnly) {
      return "--list-servers takes no other arguments";
    }
    return std::nullopt;
  }
  if (options.positional.size() != 2) return "expected SERVER and NAME";
  return std::nullopt;
}

// The server index of a SERVER argument: 1..24, a display name or a server value; 0 if none.
int ServerIndex(const std::string& server) {
  if (!server.empty() && server.size() <= 2 &&
      std::all_of(server.begin(), server.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int index = std::stoi(server);
    return index >= 1 && index <= 24 ? index : 0;
  }
  const Text wanted = Utf8ToGbk(server);
  const TextList names = DisplayNames();
  for (int i = 1; i <= TextListCount(names); ++i) {
    if (TextListItem(names, i) == wanted) return i;
  }
  for (int i = 1; i <= 24; ++i) {
    if (ServerNameForIndex(i) == wanted) return i;
  }
  return 0;
}

std::string UnixLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  out.push_back('\n');
  return out;
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string_view OutcomeName(LookupOutcome outcome) {
  switch (outcome) {
    case LookupOutcome::kFound:
      return "found";
    case LookupOutcome::kNotFound:
      return "not-found";
    case LookupOutcome::kNoResponse:
      return "no-response";
  }
  return "no-response";
}

std::string Json(std::string_view name, int serverIndex, const PlayerRecord& r) {
  const auto field = [](std::string_view key, std::string_view value) {
    return ConcatText({",\"", key, "\":", value});
  };
  return ConcatText({"{\"name\":", JsonString(GbkToUtf8(name)),
                     field("server", JsonString(GbkToUtf8(ServerNameForIndex(serverIndex)))),
                     field("serverIndex", NumberToText(serverIndex)),
                     field("outcome", JsonString(OutcomeName(r.outcome))),
                     field("likes", NumberToText(r.likes)), field("power", r.power),
                     field("baseScore", NumberToText(r.scoreParts.baseScore)),
                     field("winRateBonus", NumberToText(r.scoreParts.winRateBonus)),
                     field("winsBonus", NumberToText(r.scoreParts.winsBonus)),
                     field("soloRank", NumberToText(r.ranks.soloRank)),
                     field("duoRank", NumberToText(r.ranks.duoRank)), "}\n"});
}

int UsageError(CliOutput& output, std::string_view message) {
  output.err = ConcatText({"pelmora-cli: ", message, "\n", kUsage});
  return 2;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, CliOutput& output) {
  Options options;
  if (const auto error = Parse(args, options)) return UsageError(output, *error);
  if (options.help) {
    output.out = kUsage;
    return 0;
  }
  if (options.listServers) {
    for (const Text& name : DisplayNames()) output.out += GbkToUtf8(name) + "\n";
    return 0;
  }

  const std::string& server = options.positional[0];
  const std::string& nameUtf8 = options.positional[1];
  const int serverIndex = ServerIndex(server);
  if (serverIndex == 0) return UsageError(output, "unknown server '" + server + "'");
  const Text name = Utf8ToGbk(nameUtf8);
  if (name.empty()) return UsageError(output, GbkToUtf8(GbkLiteral("查询的名字不能为空!")));
  if (GbkToUtf8(name) != nameUtf8) {
    return UsageError(output, "the name '" + nameUtf8 + "' has characters GBK cannot hold");
  }

  const PlayerRecord record = QueryPlayer(
      serverIndex, name, options.powerOnly ? 1 : 0, [] { return true; }, options.host);
  if (options.json) {
    output.out = Json(name, serverIndex, record);
  } else {
    const auto layout = options.powerOnly ? ReportLayout::kPowerOnly : ReportLayout::kFull;
    output.out = UnixLines(GbkToUtf8(BuildReport(name, record, layout)));
  }
  return record.outcome == LookupOutcome::kFound ? 0 : 1;
}

}  // namespace pelmora
