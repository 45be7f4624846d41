// A window stand-in for tests: controls held in memory, a message log, and a hook that runs in
// place of the message pump so a test can act "during" a page read.
#pragma once

#include <algorithm>
#include <functional>
#include <map>

#include "app/controls.h"

namespace pelmora {

class FakeControls : public Controls {
 public:
  std::map<Control, Text> texts;
  TextList items;
  int selected = -1;
  int checked = 0;
  std::vector<Text> messages;
  int pumps = 0;
  std::function<bool()> onPump;  // runs in place of dispatching messages

  Text GetControlText(Control control) override { return texts[control]; }
  void SetControlText(Control control, std::string_view text) override {
    texts[control] = Text(text);
  }
  int GetSelectedIndex(Control) override { return selected; }
  void SetSelectedIndex(Control, int index) override {
    selected = items.empty() ? -1 : std::clamp(index, -1, static_cast<int>(items.size()) - 1);
  }
  void AddItem(Control, std::string_view text) override { items.emplace_back(text); }
  int IsChecked(Control) override { return checked; }
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  bool ProcessPendingMessages() override {
    ++pumps;
    return onPump ? onPump() : true;
  }
};

}  // namespace pelmora
