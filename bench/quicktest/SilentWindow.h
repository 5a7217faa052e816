// A window that keeps the report text and answers every box with OK: just enough for the
// engine to run unattended.
#pragma once

#include <map>
#include <string>

#include "core/Window.h"

namespace sw::bench {

class SilentWindow final : public core::Window {
 public:
  std::string Text(core::Control c) override { return text_[c]; }
  void SetText(core::Control c, const std::string& text) override { text_[c] = text; }
  void AppendText(core::Control c, const std::string& text) override { text_[c] += text; }
  std::size_t TextLength(core::Control c) override { return text_[c].size(); }
  bool Enabled(core::Control) override { return true; }
  void SetEnabled(core::Control, bool) override {}
  bool Visible(core::Control) override { return true; }
  void SetVisible(core::Control, bool) override {}
  void SetSelStart(core::Control, std::size_t) override {}
  void SetSelLength(core::Control, std::size_t) override {}
  void ClearItems(core::Control) override {}
  void AddItem(core::Control, const std::string&) override {}
  int ListCount(core::Control) override { return 0; }
  std::string ListItem(core::Control, int) override { return {}; }
  int ListIndex(core::Control) override { return -1; }
  void SetListIndex(core::Control, int) override {}
  int Value(core::Control) override { return 0; }
  void SetValue(core::Control, int) override {}
  void SetCaption(const std::string&) override {}
  std::string Caption() override { return {}; }
  core::TwipsRect Bounds() override { return {}; }
  void SetBounds(const core::TwipsRect&) override {}
  int ScreenWidth() override { return 0; }
  int ScreenHeight() override { return 0; }
  bool Minimized() override { return false; }
  void Show() override {}
  void EndProgram() override {}
  int MsgBox(const std::string&, std::uint32_t, const std::string&) override { return 1; }  // IDOK
  void DoEvents() override {}
  void ClipboardClear() override {}
  void ClipboardSetText(const std::string&) override {}
  void OpenWebPage(const std::string&) override {}
  std::int16_t GetAsyncKeyState(int) override { return 0; }

 private:
  std::map<core::Control, std::string> text_;
};

}  // namespace sw::bench
