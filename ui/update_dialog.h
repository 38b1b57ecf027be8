// The update dialog's run function: shows the offered update and runs the
// installation until the dialog closes. Main thread, once.
#ifndef UI_UPDATE_DIALOG_H_
#define UI_UPDATE_DIALOG_H_

// Returns the UI loop's quit code, or 0 when the dialog cannot be created.
// Both arguments are those the entry function received; neither is used.
int RunUpdateDialog(const char16_t* command_line, int show_command);

#endif  // UI_UPDATE_DIALOG_H_
