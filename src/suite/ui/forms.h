// The suite's form base and the one call through which every modal window is shown.
#pragma once

#include "info.h"

#include <QDialog>
#include <functional>
#include <utility>

// Every window of the module derives from this. Derived classes call their FormCreate at the end of
// their constructor and their FormDestroy in their destructor; FormShow runs each time the window is shown.
class TQELForm : public QDialog {
    Q_OBJECT
public:
    explicit TQELForm(QWidget* parent = nullptr);

    // Names the form and gives it the suite's look.
    void QELFormInit(const QString& name, bool flag);
    void CenterOnScreen();
    void SetClientSize(int width, int height);

    // Shows the window modally through the framework; returns the modal result (mrOk, mrCancel, ...).
    int ShowModal();
    void SetModalResult(int result);
    int ModalResult() const { return result(); }
    // Moves the focus to a control of this window.
    void ActivateControl(QWidget* control);
    // Back to the window's own size and its lists' own columns; what the user arranged is forgotten.
    void StandardAnsicht();

protected:
    // The exception guard of a handler or method: context "Class.method", the class as moc names it,
    // so no window can give another's name. Call it as Guard(__func__, [&] { ... }).
    template <class F>
    bool Guard(const char* methode, F&& body, bool flag = true) const
    {
        return qel_Guard(Kontext(methode), std::forward<F>(body), flag);
    }
    QString Kontext(const char* methode) const;

    virtual void FormShow() {}
    // Tab goes through the controls in the order the window's layout shows them, not in the order
    // they were made.
    void TabfolgeSetzen();
    void showEvent(QShowEvent* event) override;
    // Enter (also on the keypad) presses the default button like a click: the focused edit is completed first.
    void keyPressEvent(QKeyEvent* event) override;
    // Esc and the close box end the window with Cancel.
    void reject() override;

private:
    // The window size is remembered per user in the suite's user settings.
    void groesseLaden();
    void groesseMerken();
    QSize m_standardGroesse;
};

// Shows a dialog modally: QDialog::exec() in the program, a scripted handler in tests.
using TModalHandler = std::function<int(QDialog*)>;
int qel_ShowModal(QDialog* dialog);
void qel_SetModalHandler(TModalHandler handler);  // empty: exec()

// Loads Qt's own German texts (file, print and page set-up dialogs, standard buttons) into the
// application. False when the translation files are not installed; Qt then stays English.
bool qel_QtUebersetzungLaden();

// The suite's colours.
namespace QELFarben {
inline constexpr unsigned RotRGB = 0xB81020;   // Delphi colour 2101432
inline constexpr unsigned GrauRGB = 0xB8B8B8;  // Delphi colour 12105912
}
