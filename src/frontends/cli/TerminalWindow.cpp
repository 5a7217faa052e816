// The terminal window: report streaming, prompts and the Cancel key.
#include "frontends/cli/TerminalWindow.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "frontends/cli/CliTexts.h"
#include "platform/Trim.h"
#include "frontends/cli/LiveLine.h"
#include "platform/WinApi.h"

namespace sw::frontends::cli {
namespace {

using core::Control;

// A nominal screen in twips (1920 x 1080 pixels at 15 twips each); only centring uses it.
constexpr int kScreenWidthTwips = 1920 * 15;
constexpr int kScreenHeightTwips = 1080 * 15;
constexpr std::uint32_t kButtonsMask = 0xF;
constexpr std::uint32_t kIconMask = 0xF0;

// CR LF (and a lone CR) become the terminal's line breaks.
std::string TerminalLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      out.push_back('\n');
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

// A terminal line ends at its text: the blanks before each line break go (the report pads
// its drive lines into columns and ends some lines with a blank). Blanks at the very end are
// held back in `held` and written only if more text follows on the same line.
std::string EndLinesAtText(const std::string& text, std::string& held) {
  std::string out = std::move(held);
  held.clear();
  out.reserve(out.size() + text.size());
  for (char c : text) {
    if (c == '\n') {
      while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    out.push_back(c);
  }
  const auto last = out.find_last_not_of(' ');
  const std::size_t keep = last == std::string::npos ? 0 : last + 1;
  held = out.substr(keep);
  out.resize(keep);
  return out;
}

// A box's text without the empty lines it is framed with, and without blanks at its line ends.
std::string BoxText(const std::string& prompt) {
  std::string endBlanks;
  return platform::Trim(EndLinesAtText(TerminalLines(prompt), endBlanks), "\n");
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TerminalWindow::TerminalWindow(std::ostream& report, std::ostream& prompts, Console& console,
                               Options options)
    : report_(report), prompts_(prompts), console_(console), options_(options) {}

void TerminalWindow::FinishReport() {
  ClearLiveLine();
  heldBlanks_.clear();
  if (!atLineStart_) {
    report_ << '\n' << std::flush;
    atLineStart_ = true;
    lineBroken_ = true;
  }
}

std::string TerminalWindow::WithoutSuppressedLine(std::string lines) {
  if (suppressPending_) {
    suppressPending_ = false;
    // Only a text that starts a new line can be the progress line announced.
    if (lines.empty() || lines.front() != '\n') return lines;
    suppressing_ = true;
    lines.erase(0, 1);
  }
  if (!suppressing_) return lines;
  const auto end = lines.find('\n');
  if (end == std::string::npos) return {};
  suppressing_ = false;
  return lines.substr(end);
}

void TerminalWindow::ClearLiveLine() {
  if (live_.empty()) return;
  report_ << '\r' << std::string(live_.size(), ' ') << '\r' << std::flush;
  live_.clear();
}

void TerminalWindow::ShowProgress(const core::ProgressUpdate& update) {
  // The report's own progress line for this step stays off the terminal and out of the saved
  // report: the live line, or a few plain lines through a pipe, stand for all of them.
  if (update.reportLineFollows) suppressPending_ = true;
  if (options_.liveProgress) {
    DrawLiveLine(update);
  } else {
    WriteProgressStep(update);
  }
}

void TerminalWindow::DrawLiveLine(const core::ProgressUpdate& update) {
  const std::string line =
      LiveLineText(update, LineWidthFor(console_.Columns(options_.reportOnErrorStream)));
  if (line == live_) return;
  // The live line takes a line of its own below the report's last one.
  if (!atLineStart_) {
    heldBlanks_.clear();
    report_ << '\n';
    atLineStart_ = true;
    lineBroken_ = true;
  }
  // Blanks over what a longer line drawn before left behind.
  const std::size_t wipe = live_.size() > line.size() ? live_.size() - line.size() : 0;
  report_ << '\r' << line << std::string(wipe, ' ') << std::string(wipe, '\b') << std::flush;
  live_ = line;
}

void TerminalWindow::WriteProgressStep(const core::ProgressUpdate& update) {
  if (update.total == 0) return;
  if (update.phase != stepPhase_ || update.done < stepDone_) {
    stepPhase_ = update.phase;
    stepsShown_ = 0;
  }
  stepDone_ = update.done;
  const std::uint64_t step = std::min(update.done, update.total) * kProgressSteps / update.total;
  // The last step is the phase's end, which the report itself tells.
  if (step <= stepsShown_ || step >= kProgressSteps) return;
  stepsShown_ = step;
  FinishReport();
  prompts_ << LiveLineText(update, LineWidthFor(console_.Columns(true))) << '\n' << std::flush;
}

void TerminalWindow::WriteReport(const std::string& text) {
  const std::string kept = WithoutSuppressedLine(TerminalLines(text));
  kept_ += kept;
  std::string lines = EndLinesAtText(kept, heldBlanks_);
  if (lines.empty()) return;
  ClearLiveLine();
  // The line break that ended a line early (for a prompt) stands for the one the report adds next.
  if (lineBroken_ && lines.front() == '\n') lines.erase(0, 1);
  lineBroken_ = false;
  if (lines.empty()) return;
  report_ << lines << std::flush;
  atLineStart_ = lines.back() == '\n';
}

std::string TerminalWindow::SavedReport() const {
  std::string endBlanks;
  const std::string lines = EndLinesAtText(kept_, endBlanks);
  std::string saved;
  saved.reserve(lines.size() + lines.size() / 16);
  for (char c : lines) {
    if (c == '\n') {
      saved += text::kSavedLineEnd;
    } else {
      saved.push_back(c);
    }
  }
  if (!lines.empty() && lines.back() != '\n') saved += text::kSavedLineEnd;
  return saved;
}

std::string TerminalWindow::Text(Control c) {
  if (c == Control::Combo1) return ListItem(c, listIndex_);
  return text_[c];
}

void TerminalWindow::SetText(Control c, const std::string& text) {
  if (c == Control::Text1) {
    // Text1 is what is already on the terminal.
    const std::string& printed = text_[c];
    if (text.compare(0, printed.size(), printed) == 0 && text.size() >= printed.size()) {
      WriteReport(text.substr(printed.size()));
    } else {
      // A new report replaces the old one: it starts on a line of its own.
      FinishReport();
      kept_.clear();
      WriteReport(text);
    }
  }
  text_[c] = text;
}

void TerminalWindow::AppendText(Control c, const std::string& text) {
  if (c == Control::Combo1) return Window::AppendText(c, text);
  if (c == Control::Text1) WriteReport(text);
  text_[c] += text;
}

std::size_t TerminalWindow::TextLength(Control c) {
  return c == Control::Combo1 ? Text(c).size() : text_[c].size();
}

bool TerminalWindow::Enabled(Control c) {
  const auto it = enabled_.find(c);
  return it == enabled_.end() || it->second;
}
void TerminalWindow::SetEnabled(Control c, bool enabled) { enabled_[c] = enabled; }
bool TerminalWindow::Visible(Control c) {
  const auto it = visible_.find(c);
  return it == visible_.end() ? c != Control::Drive1 : it->second;
}
void TerminalWindow::SetVisible(Control c, bool visible) { visible_[c] = visible; }
void TerminalWindow::SetSelStart(Control, std::size_t) {}
void TerminalWindow::SetSelLength(Control, std::size_t) {}

void TerminalWindow::ClearItems(Control c) {
  if (c != Control::Combo1) return;
  items_.clear();
  listIndex_ = -1;
}
void TerminalWindow::AddItem(Control c, const std::string& item) {
  if (c == Control::Combo1) items_.push_back(item);
}
int TerminalWindow::ListCount(Control c) {
  return c == Control::Combo1 ? static_cast<int>(items_.size()) : 0;
}
std::string TerminalWindow::ListItem(Control c, int index) {
  if (c != Control::Combo1 || index < 0 || index >= ListCount(c)) return {};
  return items_[static_cast<std::size_t>(index)];
}
int TerminalWindow::ListIndex(Control c) { return c == Control::Combo1 ? listIndex_ : -1; }
void TerminalWindow::SetListIndex(Control c, int index) {
  if (c == Control::Combo1) listIndex_ = index >= 0 && index < ListCount(c) ? index : -1;
}
int TerminalWindow::Value(Control c) { return value_[c]; }
void TerminalWindow::SetValue(Control c, int value) { value_[c] = value; }

void TerminalWindow::SetCaption(const std::string& caption) { caption_ = caption; }
std::string TerminalWindow::Caption() { return caption_; }
core::TwipsRect TerminalWindow::Bounds() { return bounds_; }
void TerminalWindow::SetBounds(const core::TwipsRect& r) { bounds_ = r; }
int TerminalWindow::ScreenWidth() { return kScreenWidthTwips; }
int TerminalWindow::ScreenHeight() { return kScreenHeightTwips; }
bool TerminalWindow::Minimized() { return false; }
void TerminalWindow::Show() {}
void TerminalWindow::EndProgram() { ended_ = true; }

int TerminalWindow::MsgBox(const std::string& prompt, std::uint32_t style,
                           const std::string& title) {
  if (answerQuietly_) return win::IDOK;
  const std::string shown = BoxText(prompt);
  const std::string firstLine = shown.substr(0, shown.find('\n'));
  const bool okOnly = (style & kButtonsMask) == win::MB_OK;
  if (okOnly && (style & kIconMask) != 0 && (style & kIconMask) != win::MB_ICONINFORMATION) {
    stopAtBox_ = {core::error_code::kRefused, firstLine};
  }
  // A box that only informs and says what the report just said is not said twice.
  if ((style & kButtonsMask) == win::MB_OK && ReportEndsWith(prompt)) return win::IDOK;
  FinishReport();
  report_.flush();
  prompts_ << text::kBoxRule << title << text::kBoxRuleEnd << '\n';
  if (!shown.empty()) prompts_ << shown << '\n';
  // Boxes with only an OK button inform; every other box asks.
  if (okOnly) {
    prompts_ << std::flush;
    return win::IDOK;
  }
  const int answer = Ask((style & win::MB_DEFMASK) == win::MB_DEFBUTTON2);
  if (answer == win::IDCANCEL) {
    stopAtBox_ = {core::error_code::kAnsweredCancel, title + text::kStopAtBoxGap + firstLine};
  }
  return answer;
}

bool TerminalWindow::ReportEndsWith(const std::string& prompt) {
  const std::string& report = text_[Control::Text1];
  return !BoxText(prompt).empty() && report.size() >= prompt.size() &&
         report.compare(report.size() - prompt.size(), prompt.size(), prompt) == 0;
}

int TerminalWindow::Ask(bool cancelIsDefault) {
  prompts_ << text::kAsk;
  // Kept pending: the run the answer lets go on (if any) still stops at its Cancel.
  if (CancelPending()) {
    prompts_ << text::kAnsweredCancelInterrupt << '\n' << std::flush;
    return win::IDCANCEL;
  }
  if (options_.yes) {
    prompts_ << text::kAnsweredOkYes << '\n' << std::flush;
    return win::IDOK;
  }
  if (!console_.Interactive()) {
    prompts_ << text::kAnsweredCancelNoTerminal << '\n' << std::flush;
    return win::IDCANCEL;
  }
  for (;;) {
    prompts_ << std::flush;
    std::string line;
    const ReadResult r = console_.ReadLine(line, prompts_);
    if (r == ReadResult::Interrupted) cancelPending_ = signalled_ = true;
    if (r != ReadResult::Line) {
      prompts_ << '\n' << text::kAnsweredCancelInterrupt << '\n' << std::flush;
      return win::IDCANCEL;
    }
    const std::string answer = Lower(platform::Trim(line, " \t\r"));
    // Enter alone presses the default button where it is Cancel, as it would in the window.
    if (answer.empty() && cancelIsDefault) return win::IDCANCEL;
    for (const char* ok : text::kAnswerOk) {
      if (answer == ok) return win::IDOK;
    }
    for (const char* cancel : text::kAnswerCancel) {
      if (answer == cancel) return win::IDCANCEL;
    }
    prompts_ << text::kAsk;
  }
}

void TerminalWindow::TakeSignal() {
  if (console_.CancelPressed()) cancelPending_ = signalled_ = true;
}

bool TerminalWindow::CancelPending() {
  TakeSignal();
  return cancelPending_;
}

void TerminalWindow::DoEvents() {
  TakeSignal();
  if (!cancelPending_) return;
  // Ctrl-C is the Cancel button, so it presses it only while the button can be clicked. One that
  // came before waits for the button: a command clears Cancel as it starts, and a signal in its
  // first moments would be lost otherwise.
  if (!Enabled(Control::cmdCancel) || !Visible(Control::cmdCancel) || !onCancel) return;
  cancelPending_ = false;
  FinishReport();
  prompts_ << text::kCancelPressed << '\n' << std::flush;
  onCancel();
}

void TerminalWindow::ClipboardClear() { clipboard_.clear(); }
void TerminalWindow::ClipboardSetText(const std::string& text) { clipboard_ = text; }
void TerminalWindow::OpenWebPage(const std::string& url) {
  prompts_ << text::kOpenPage << url << '\n' << std::flush;
}

std::int16_t TerminalWindow::GetAsyncKeyState(int virtualKey) {
  constexpr std::uint16_t kDown = 0x8000;
  return virtualKey == core::VK_SHIFT && options_.debug ? static_cast<std::int16_t>(kDown) : 0;
}

}  // namespace sw::frontends::cli
