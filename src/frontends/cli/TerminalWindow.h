// The main window as a terminal: the report streams to stdout as it grows, message boxes become
// prompts, Ctrl-C is the Cancel button, --debug holds SHIFT. The controls keep their state here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/Window.h"
#include "frontends/cli/Console.h"

namespace sw::frontends::cli {

class TerminalWindow final : public core::Window {
 public:
  struct Options {
    bool yes = false;    // answer OK to every question
    bool debug = false;  // SHIFT held
    // The report goes to a terminal: long phases show one line redrawn in place instead of the
    // report's own progress lines, which stay in the report itself.
    bool liveProgress = false;
  };

  // report receives the text of Text1; prompts the message boxes and questions.
  TerminalWindow(std::ostream& report, std::ostream& prompts, Console& console, Options options);

  // The Cancel button's handler, pressed by Ctrl-C while the button shows.
  std::function<void()> onCancel;
  // While on, boxes are answered OK without being shown: for the one the user already answered
  // on the command line (--all), which printed would only say the same thing twice. The caller
  // turns it off right after, so no later question is ever answered unseen.
  void AnswerBoxesQuietly(bool on) { answerQuietly_ = on; }
  // Ends the report's last line.
  void FinishReport();
  bool ended() const { return ended_; }

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
  std::int16_t GetAsyncKeyState(int virtualKey) override;
  void ShowProgress(const core::ProgressUpdate& update) override;

 private:
  void WriteReport(const std::string& text);
  // Drops what belongs to a report line the live line stands for; returns the rest.
  std::string WithoutSuppressedLine(std::string lines);
  void ClearLiveLine();
  // Whether the box's text is the one the report just received.
  bool ReportEndsWith(const std::string& prompt);
  int Ask();

  std::ostream& report_;
  std::ostream& prompts_;
  Console& console_;
  Options options_;
  bool answerQuietly_ = false;

  bool atLineStart_ = true;
  bool lineBroken_ = false;  // a line was ended early to make room for a prompt
  std::string heldBlanks_;   // blanks at the end of what was printed: shown only if text follows

  std::string live_;             // the live line as drawn; empty: none on the screen
  bool suppressPending_ = false; // the next report line is a progress line the live line shows
  bool suppressing_ = false;     // inside such a line

  std::map<core::Control, std::string> text_;
  std::map<core::Control, bool> enabled_;
  std::map<core::Control, bool> visible_;
  std::map<core::Control, int> value_;
  std::vector<std::string> items_;
  int listIndex_ = -1;
  std::string caption_;
  core::TwipsRect bounds_{0, 0, 8175, 7080};
  std::string clipboard_;
  bool ended_ = false;
};

}  // namespace sw::frontends::cli
