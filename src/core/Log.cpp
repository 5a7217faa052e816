// The result log routines.
#include "core/Log.h"

namespace sw::core {

void LogText(Context& ctx, const std::string& text) {
  ctx.win.AppendText(Control::Text1, text);
  Text1_Change(ctx);
}

void MyPrint(Context& ctx, const std::string& text) {
  if (ctx.state.DebugMode) LogText(ctx, kCrLf + text);
}

void Trace(Context& ctx, const std::string& text) {
  if (ctx.state.DebugMode) MyPrint(ctx, ctx.os.GeneralDate(ctx.os.Now()) + text);
}

int LogMsgBox(Context& ctx, const std::string& prompt, std::uint32_t style,
              const std::string& title) {
  if (prompt.rfind(kCrLf, 0) == 0) {
    LogText(ctx, prompt);
  } else {
    LogText(ctx, kCrLf + prompt);
  }
  return ctx.win.MsgBox(prompt, style, title);
}

void Text1_Change(Context& ctx) {
  ctx.win.SetSelStart(Control::Text1, ctx.win.TextLength(Control::Text1));
  ctx.win.SetSelLength(Control::Text1, 0);
}

}  // namespace sw::core
