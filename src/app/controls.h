// The operations the query command, the server list and the fetch use on the main window's
// controls. The window implements them; tests and the CLI use stand-ins.
#pragma once

#include "app/text.h"

namespace pelmora {

enum class Control { 分组框1, 标签1, 选择框1, 编辑框1, 组合框1, 按钮1 };

class Controls {
 public:
  virtual ~Controls() = default;

  virtual Text GetControlText(Control control) = 0;
  virtual void SetControlText(Control control, std::string_view text) = 0;
  virtual int GetSelectedIndex(Control box) = 0;  // 0-based; -1 when nothing is selected
  // An index past the last item selects the last one; below -1 counts as -1 (no selection).
  virtual void SetSelectedIndex(Control box, int index) = 0;
  virtual void AddItem(Control box, std::string_view text) = 0;
  virtual int IsChecked(Control box) = 0;  // 1 ticked, 0 not
  // A modal box with the caption "信息：" and an OK button; returns when the user closed it.
  virtual void ShowMessage(std::string_view text) = 0;
  // Dispatches every waiting message; a quit message stays in the queue. False once the window
  // is gone, so a running fetch stops and the query touches no destroyed control.
  virtual bool ProcessPendingMessages() = 0;
};

}  // namespace pelmora
