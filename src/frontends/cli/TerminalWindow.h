// The main window as a terminal: the report streams to stdout as it grows, message boxes become
// prompts, Ctrl-C is the Cancel button, --debug holds SHIFT. The controls keep their state here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/RunRecord.h"
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
    // The report goes to stderr (the JSON document has stdout): the live line fits its width.
    bool reportOnErrorStream = false;
  };

  // Through a pipe a phase's progress is told at most this many times less one: at each
  // quarter it passes, short of its end.
  static constexpr std::uint64_t kProgressSteps = 4;

  // report receives the text of Text1; prompts the message boxes and questions.
  TerminalWindow(std::ostream& report, std::ostream& prompts, Console& console, Options options);

  // The Cancel button's handler, pressed by Ctrl-C (or a signal) while the button shows; one that
  // came before is kept and presses it as soon as it shows, and answers every question Cancel.
  std::function<void()> onCancel;
  // A Ctrl-C or signal came and has not yet pressed Cancel.
  bool CancelPending();
  // A Ctrl-C or signal came at any time of the run.
  bool Signalled() const { return signalled_; }
  // While on, boxes are answered OK without being shown: for the one the user already answered
  // on the command line (--all), which printed would only say the same thing twice. The caller
  // turns it off right after, so no later question is ever answered unseen.
  void AnswerBoxesQuietly(bool on) { answerQuietly_ = on; }
  // Ends the report's last line.
  void FinishReport();
  // The report as a file keeps it: without the progress lines, each line ended with the
  // system's line break (LF; CR LF on Windows), the last one too.
  std::string SavedReport() const;
  bool ended() const { return ended_; }
  // Why the last command stopped at a box, if it did: the question last answered Cancel, or the
  // last box that refused to go on (an OK alone, with the stop or warning icon). Empty code:
  // no such box.
  const core::RunError& StopAtBox() const { return stopAtBox_; }

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
  void DrawLiveLine(const core::ProgressUpdate& update);
  // Through a pipe: one plain line on the prompt stream each time the phase passes a step.
  void WriteProgressStep(const core::ProgressUpdate& update);
  // Whether the box's text is the one the report just received.
  bool ReportEndsWith(const std::string& prompt);
  int Ask(bool cancelIsDefault);
  void TakeSignal();

  std::ostream& report_;
  std::ostream& prompts_;
  Console& console_;
  Options options_;
  bool answerQuietly_ = false;
  bool cancelPending_ = false;
  bool signalled_ = false;

  bool atLineStart_ = true;
  bool lineBroken_ = false;  // a line was ended early to make room for a prompt
  std::string heldBlanks_;   // blanks at the end of what was printed: shown only if text follows

  std::string live_;             // the live line as drawn; empty: none on the screen
  bool suppressPending_ = false; // the next report line is a progress line the live line shows
  bool suppressing_ = false;     // inside such a line
  std::string kept_;             // the report without its progress lines, LF line breaks

  std::string stepPhase_;        // the phase whose steps are being told through a pipe
  std::uint64_t stepDone_ = 0;
  std::uint64_t stepsShown_ = 0;

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
  core::RunError stopAtBox_;
};

}  // namespace sw::frontends::cli
