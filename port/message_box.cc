// Message boxes: a modal wait on the calling thread, answered by the
// desktop. The thread keeps serving its messages while the box is open.
#include <windows.h>

#include <memory>
#include <string>

#include "base/sys_string_conversions.h"
#include "port/modal_prompt.h"

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto prompt = std::make_shared<port::ModalPrompt>(
      port::ModalPrompt::Kind::kMessageBox, owner);
  // Windows titles a box without a caption "Error".
  prompt->caption = caption ? caption : u"Error";
  prompt->text = text ? text : u"";
  prompt->type = type;
  return prompt->Run();
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::u16string wide_text = base::AnsiToWide(text ? text : "");
  std::u16string wide_caption;
  if (caption)
    wide_caption = base::AnsiToWide(caption);
  return MessageBoxW(owner, wide_text.c_str(),
                     caption ? wide_caption.c_str() : nullptr, type);
}
