// A window that keeps the report text and answers every box with OK: just enough for the
// engine to run unattended.
#pragma once

#include <map>
#include <string>

#include "app/Window.h"

namespace sw::bench {

class SilentWindow final : public app::Window {
 public:
  std::string Text(app::Control c) override { return text_[c]; }
  void SetText(app::Control c, const std::string& text) override { text_[c] = text; }
  bool Enabled(app::Control) override { return true; }
  void SetEnabled(app::Control, bool) override {}
  bool Visible(app::Control) override { return true; }
  void SetVisible(app::Control, bool) override {}
  void SetSelStart(app::Control, std::size_t) override {}
  void SetSelLength(app::Control, std::size_t) override {}
  void ClearItems(app::Control) override {}
  void AddItem(app::Control, const std::string&) override {}
  int ListCount(app::Control) override { return 0; }
  std::string ListItem(app::Control, int) override { return {}; }
  int ListIndex(app::Control) override { return -1; }
  void SetListIndex(app::Control, int) override {}
  int Value(app::Control) override { return 0; }
  void SetValue(app::Control, int) override {}
  void SetCaption(const std::string&) override {}
  std::string Caption() override { return {}; }
  app::TwipsRect Bounds() override { return {}; }
  void SetBounds(const app::TwipsRect&) override {}
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
  std::map<app::Control, std::string> text_;
};

}  // namespace sw::bench
