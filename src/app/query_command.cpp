#include "app/query_command.h"

#include "app/report.h"
#include "encoding/codepage.h"
#include "lookup/player.h"

namespace pelmora {

void OnQueryClicked(Controls& controls, std::string_view host) {
  static const Text kEmptyName = GbkLiteral("查询的名字不能为空!");
  if (controls.GetControlText(Control::编辑框1).empty()) {
    controls.ShowMessage(kEmptyName);
    return;
  }
  const int serverIndex = controls.GetSelectedIndex(Control::组合框1) + 1;
  const Text name = controls.GetControlText(Control::编辑框1);
  const int powerOnly = controls.IsChecked(Control::选择框1);

  // The window may be closed while the page is read; then the read stops at the next pump and
  // the query ends without touching the controls again.
  bool windowAlive = true;
  const Pump pump = [&] { return windowAlive = controls.ProcessPendingMessages(); };
  const PlayerRecord record = QueryPlayer(serverIndex, name, powerOnly, pump, host);
  if (!windowAlive) return;

  // The name box and the check box are read again: the user may have changed them meanwhile.
  const ReportLayout layout =
      controls.IsChecked(Control::选择框1) == 1 ? ReportLayout::kPowerOnly : ReportLayout::kFull;
  controls.SetControlText(Control::标签1,
                          BuildReport(controls.GetControlText(Control::编辑框1), record, layout));
}

}  // namespace pelmora
