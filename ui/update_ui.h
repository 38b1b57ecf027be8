// The command-state update map of a window. The dialog's map is empty, so
// this carries no behaviour; it stays for the shape of the class.
#ifndef UI_UPDATE_UI_H_
#define UI_UPDATE_UI_H_

template <class T>
class CUpdateUI {};

#endif  // UI_UPDATE_UI_H_
