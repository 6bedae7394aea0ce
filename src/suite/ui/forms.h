// The suite's form base and the one call through which every modal window is shown.
#pragma once

#include "info.h"

#include <QDialog>
#include <functional>

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

protected:
    virtual void FormShow() {}
    void showEvent(QShowEvent* event) override;
    // Esc and the close box end the window with Cancel.
    void reject() override;
};

// Shows a dialog modally: QDialog::exec() in the program, a scripted handler in tests.
using TModalHandler = std::function<int(QDialog*)>;
int qel_ShowModal(QDialog* dialog);
void qel_SetModalHandler(TModalHandler handler);  // empty: exec()

// The suite's colours.
namespace QELFarben {
inline constexpr unsigned RotRGB = 0xB81020;   // Delphi colour 2101432
inline constexpr unsigned GrauRGB = 0xB8B8B8;  // Delphi colour 12105912
}
