// A Window for tests: records every control change and every box shown, answers boxes from a
// queue (OK when the queue is empty), and can run a hook at each yield (e.g. press Cancel).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Window.h"

namespace sw::testing {

struct ShownBox {
  std::string prompt;
  std::uint32_t style;
  std::string title;
};

class ScriptedWindow final : public core::Window {
 public:
  ScriptedWindow();

  // --- Script ---
  std::deque<int> answers;                     // next box answers (IDOK, IDCANCEL)
  std::function<void(int yieldNumber)> onDoEvents;  // called at every DoEvents, counted from 1
  std::function<void(const ShownBox&)> onMsgBox;    // called when a box is shown
  std::function<void(const core::ProgressUpdate&)> onProgress;  // at every progress update
  bool shiftDown = false;
  std::string savePath;  // the answer to the next save question; empty: the user cancels

  // --- Record ---
  std::vector<ShownBox> boxes;
  std::vector<core::ProgressUpdate> progress;
  int yields = 0;
  std::string clipboard;
  bool clipboardCleared = false;
  std::vector<std::string> openedPages;
  std::vector<std::string> saveQuestions;  // "title|suggested name" of each save question
  bool shown = false;
  bool ended = false;
  std::size_t selStart = 0;
  std::size_t selLength = 0;
  // Order of events as short texts: "box:<title>", "show", "end" (start-up order checks).
  std::vector<std::string> events;

  // The log split at CR LF (the text of Text1 line by line).
  std::vector<std::string> Lines();

  // --- Window ---
  std::string Text(core::Control c) override;
  void SetText(core::Control c, const std::string& text) override;
  void AppendText(core::Control c, const std::string& text) override;
  std::size_t TextLength(core::Control c) override;
  bool Enabled(core::Control c) override;
  void SetEnabled(core::Control c, bool enabled) override;
  bool Visible(core::Control c) override;
  void SetVisible(core::Control c, bool visible) override;
  void SetSelStart(core::Control c, std::size_t start) override;
  void SetSelLength(core::Control c, std::size_t length) override;
  void ClearItems(core::Control c) override;
  void AddItem(core::Control c, const std::string& item) override;
  int ListCount(core::Control c) override;
  std::string ListItem(core::Control c, int index) override;
  int ListIndex(core::Control c) override;
  void SetListIndex(core::Control c, int index) override;
  int Value(core::Control c) override;
  void SetValue(core::Control c, int value) override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() override;
  core::TwipsRect Bounds() override;
  void SetBounds(const core::TwipsRect& r) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  bool Minimized() override;
  void Show() override;
  void EndProgram() override;
  int MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) override;
  void DoEvents() override;
  void ClipboardClear() override;
  void ClipboardSetText(const std::string& text) override;
  void OpenWebPage(const std::string& url) override;
  std::string AskSavePath(const std::string& title, const std::string& suggestedName) override;
  std::int16_t GetAsyncKeyState(int virtualKey) override;
  void ShowProgress(const core::ProgressUpdate& update) override;

  // Geometry the test can set.
  core::TwipsRect bounds{0, 0, 8175, 7080};
  int screenWidth = 19200;
  int screenHeight = 10800;
  bool minimized = false;
  std::string caption;

 private:
  std::map<core::Control, std::string> text_;
  std::map<core::Control, bool> enabled_;
  std::map<core::Control, bool> visible_;
  std::map<core::Control, int> value_;
  std::vector<std::string> items_;
  int listIndex_ = -1;
};

}  // namespace sw::testing
