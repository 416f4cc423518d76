#pragma once

class QWidget;

// The register's windows are plain windows, not dialogs: Esc closes them as
// their 退出 button does, and when one goes, the focus goes back to where it
// was when it opened, so a keyboard user carries on where they left off.
// Enter presses the button that has the focus, as in a dialog. A window
// without text boxes may name a default button that Enter presses when the
// focus is on no button.
class QAbstractButton;
void InstallWindowKeys(QWidget *window);
void EnterPressesFocusedButtons(QWidget *window);
void SetDefaultButton(QWidget *window, QAbstractButton *button);
