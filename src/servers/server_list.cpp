#include "servers/server_list.h"

#include "encoding/codepage.h"
#include "regex/extract.h"
#include "regex/regex_matcher.h"

namespace pelmora {

const Text& ServerOptionList() {
  // One option element a line: seven tabs before the first line, eight before the others, CR LF
  // between lines and none after the last.
  static const Text kList = GbkLiteral(
      "\t\t\t\t\t\t\t<option value=\"电信一\">艾欧尼亚</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信二\">祖安</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信三\">诺克萨斯</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信四\">班德尔城</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信五\">皮尔特沃夫</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信六\">战争学院</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信七\">巨神峰</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信八\">雷瑟守备</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信九\">裁决之地</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十\">黑色玫瑰</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十一\">暗影岛</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十二\">钢铁烈阳</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十三\">均衡教派</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十四\">水晶之痕</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十五\">影流</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十六\">守望之海</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"电信十七\">征服之海</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"网通一\">比尔吉沃特</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"网通二\">德玛西亚</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"网通三\">弗雷尔卓德</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"网通四\">无畏先锋</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"网通五\">恕瑞玛</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"网通六\">扭曲丛林</option>\r\n"
      "\t\t\t\t\t\t\t\t<option value=\"教育一\">教育网专区</option>");
  return kList;
}

void LoadServerList(Controls& controls) {
  LoadServerList(controls, ServerOptionList(), kRegExpProgId);
}

void LoadServerList(Controls& controls, std::string_view optionList, std::string_view progId) {
  static const Text kLeft = "<option value=\"";
  static const Text kRight = "</option>";
  static const Text kValueEnd = "\">";
  TextList items;
  ExtractAllBetween(optionList, kLeft, kRight, items, progId);
  for (int i = 1; i <= TextListCount(items); ++i) {
    const Text& item = TextListItem(items, i);
    // An item is the option value, "\">" and the display name; the name ends at a further
    // "\">" if there is one. An item without a name adds nothing.
    if (FindText(item, kValueEnd, 1, false) == -1) continue;
    const TextList pieces = SplitText(item, kValueEnd);
    if (TextListCount(pieces) < 2) continue;
    controls.AddItem(Control::组合框1, TextListItem(pieces, 2));
  }
  controls.SetSelectedIndex(Control::组合框1, 0);
}

}  // namespace pelmora
