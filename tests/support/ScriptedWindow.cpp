// The scripted test window.
#include "support/ScriptedWindow.h"

#include "platform/WinApi.h"

namespace sw::testing {

using core::Control;

ScriptedWindow::ScriptedWindow() = default;

std::vector<std::string> ScriptedWindow::Lines() {
  std::vector<std::string> lines;
  const std::string& t = text_[Control::Text1];
  std::size_t start = 0;
  for (;;) {
    std::size_t at = t.find("\r\n", start);
    if (at == std::string::npos) {
      lines.push_back(t.substr(start));
      return lines;
    }
    lines.push_back(t.substr(start, at - start));
    start = at + 2;
  }
}

std::string ScriptedWindow::AskSavePath(const std::string& title, const std::string& suggestedName) {
  saveQuestions.push_back(title + "|" + suggestedName);
  events.push_back("save:" + title);
  return savePath;
}

std::string ScriptedWindow::Text(Control c) {
  if (c == Control::Combo1) return listIndex_ >= 0 ? items_[static_cast<std::size_t>(listIndex_)] : "";
  return text_[c];
}
void ScriptedWindow::SetText(Control c, const std::string& text) { text_[c] = text; }
void ScriptedWindow::AppendText(Control c, const std::string& text) {
  if (c == Control::Combo1) return Window::AppendText(c, text);
  text_[c] += text;
}
std::size_t ScriptedWindow::TextLength(Control c) {
  return c == Control::Combo1 ? Text(c).size() : text_[c].size();
}
bool ScriptedWindow::Enabled(Control c) {
  auto it = enabled_.find(c);
  return it == enabled_.end() ? true : it->second;
}
void ScriptedWindow::SetEnabled(Control c, bool enabled) { enabled_[c] = enabled; }
bool ScriptedWindow::Visible(Control c) {
  auto it = visible_.find(c);
  return it == visible_.end() ? c != Control::Drive1 : it->second;
}
void ScriptedWindow::SetVisible(Control c, bool visible) { visible_[c] = visible; }
void ScriptedWindow::SetSelStart(Control, std::size_t start) { selStart = start; }
void ScriptedWindow::SetSelLength(Control, std::size_t length) { selLength = length; }
void ScriptedWindow::ClearItems(Control) {
  items_.clear();
  listIndex_ = -1;
}
void ScriptedWindow::AddItem(Control, const std::string& item) { items_.push_back(item); }
int ScriptedWindow::ListCount(Control) { return static_cast<int>(items_.size()); }
std::string ScriptedWindow::ListItem(Control, int index) {
  return index >= 0 && index < ListCount(Control::Combo1) ? items_[static_cast<std::size_t>(index)] : "";
}
int ScriptedWindow::ListIndex(Control) { return listIndex_; }
void ScriptedWindow::SetListIndex(Control, int index) {
  listIndex_ = index >= 0 && index < ListCount(Control::Combo1) ? index : -1;
}
int ScriptedWindow::Value(Control c) { return value_[c]; }
void ScriptedWindow::SetValue(Control c, int value) { value_[c] = value; }
void ScriptedWindow::SetCaption(const std::string& c) { caption = c; }
std::string ScriptedWindow::Caption() { return caption; }
core::TwipsRect ScriptedWindow::Bounds() { return bounds; }
void ScriptedWindow::SetBounds(const core::TwipsRect& r) { bounds = r; }
int ScriptedWindow::ScreenWidth() { return screenWidth; }
int ScriptedWindow::ScreenHeight() { return screenHeight; }
bool ScriptedWindow::Minimized() { return minimized; }
void ScriptedWindow::Show() {
  shown = true;
  events.push_back("show");
}
void ScriptedWindow::EndProgram() {
  ended = true;
  events.push_back("end");
}
int ScriptedWindow::MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) {
  boxes.push_back({prompt, style, title});
  events.push_back("box:" + title);
  if (onMsgBox) onMsgBox(boxes.back());
  if (answers.empty()) return win::IDOK;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}
void ScriptedWindow::ShowProgress(const core::ProgressUpdate& update) {
  progress.push_back(update);
  if (onProgress) onProgress(update);
}
void ScriptedWindow::DoEvents() {
  ++yields;
  if (onDoEvents) onDoEvents(yields);
}
void ScriptedWindow::ClipboardClear() {
  clipboard.clear();
  clipboardCleared = true;
}
void ScriptedWindow::ClipboardSetText(const std::string& text) { clipboard = text; }
void ScriptedWindow::OpenWebPage(const std::string& url) { openedPages.push_back(url); }
std::int16_t ScriptedWindow::GetAsyncKeyState(int virtualKey) {
  return virtualKey == core::VK_SHIFT && shiftDown ? static_cast<std::int16_t>(0x8000) : 0;
}

}  // namespace sw::testing
