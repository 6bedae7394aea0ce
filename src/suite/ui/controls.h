// The suite's standard controls.
#pragma once

#include "suite/core/types.h"

#include <functional>

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QVector>

class QButtonGroup;
class QVBoxLayout;
class QRadioButton;

// Virtual key codes the handlers compare with.
enum : int { VK_RETURN = 13, VK_ESCAPE = 27 };

class TQELStdPanel : public QFrame {
    Q_OBJECT
public:
    explicit TQELStdPanel(QWidget* parent = nullptr);
    void SetColor(const QColor& c);
};

// Header strip of a window: large white caption on the suite's red.
class TQELHeaderPanel : public QLabel {
    Q_OBJECT
public:
    explicit TQELHeaderPanel(const QString& caption, QWidget* parent = nullptr);
};

class TQELStdBevel : public QFrame {
    Q_OBJECT
public:
    explicit TQELStdBevel(QWidget* parent = nullptr);
};

class TQELStdLabel : public QLabel {
    Q_OBJECT
public:
    explicit TQELStdLabel(const QString& text = QString(), QWidget* parent = nullptr);
};

// A label attached to the control it describes.
class TQELAttachLabel : public QLabel {
    Q_OBJECT
public:
    explicit TQELAttachLabel(const QString& text, QWidget* buddy = nullptr, QWidget* parent = nullptr);
};

// Tool button beside an edit (calendar, search). Reached by Tab; a click completes the focused edit first.
class TQELStdSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TQELStdSpeedButton(const QString& iconName, const QString& hint, QWidget* parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// An edit whose Exit handler takes the typed value. Actions complete the focused one before they run.
class TQELEingabe {
public:
    virtual ~TQELEingabe() = default;
    // Runs the Exit handler exactly as leaving the edit would. False when the handler did not simply
    // take the value (it reported something to the clerk): the action then does nothing more.
    bool Abschliessen();

protected:
    virtual void ExitMelden() = 0;
    // Refuses a typed value the edit itself can tell is wrong (say so, restore the value before);
    // the Exit handler then does not run.
    virtual bool WertPruefen() { return true; }
    // From focusOutEvent. Leaving again after an action completed the unchanged text does not repeat
    // the handler; a popup or another window taking the focus is no leaving.
    void Verlassen(QFocusEvent* event);
    void Geaendert() { m_abgeschlossen = false; }

private:
    bool m_abgeschlossen = false;
};

// Completes the focused edit of the active window, if it is one; false when that edit refused its value.
// Every action button, shortcut and calendar button runs this first.
bool qel_EingabeAbschliessen();

// Button with a shortcut that acts at once (a QPushButton shortcut clicks with a delay). A click by mouse
// leaves the focus where it is (Tab still reaches the button) and first completes the focused edit.
class TResBitBtn : public QPushButton {
    Q_OBJECT
public:
    explicit TResBitBtn(const QString& caption, const QKeySequence& key = QKeySequence(), QWidget* parent = nullptr);
    // Presses the button as the clerk does: completes the focused edit, then clicks unless it refused.
    void Ausloesen();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
using TQELStdButton = TResBitBtn;

class TQELStdCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TQELStdCheckBox(const QString& text, QWidget* parent = nullptr);
};

class TQELStdGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TQELStdGroupBox(const QString& title = QString(), QWidget* parent = nullptr);
    // Enables or disables every control inside.
    void SetControlsEnabled(bool enabled);
};

// Radio group whose entries carry a one-character tag.
class TQELStdRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TQELStdRadioGroup(const QString& title = QString(), QWidget* parent = nullptr);
    void AddItem(const QString& text, QChar tag);
    int Count() const { return m_buttons.size(); }
    int ItemIndex() const;
    void SetItemIndex(int index);  // reports a change of the selection as a click
    QChar ItemTag(int index) const;
    QRadioButton* Button(int index) const { return m_buttons.value(index); }

signals:
    void Click(QObject* sender);

private:
    QVBoxLayout* m_layout;
    QButtonGroup* m_group;
    QVector<QRadioButton*> m_buttons;
    QVector<QChar> m_tags;
};

enum class TEditTyp { Text, Datum, Integer, Float };

// Masked edit with a typed value. Reading text that is no value of the type raises EConvertError.
class TQELStdEdit : public QLineEdit, public TQELEingabe {
    Q_OBJECT
public:
    explicit TQELStdEdit(TEditTyp typ = TEditTyp::Text, QWidget* parent = nullptr);

    TEditTyp Typ() const { return m_typ; }
    // "cccc;0": one character per c.
    void SetMask(const QString& mask);
    void SetRange(double min, double max);
    void SetDecimals(int decimals) { m_decimals = decimals; }
    void SetThousandSeparator(bool on) { m_tausender = on; }

    TDateTime GetAsDate() const;
    void SetAsDate(TDateTime value);
    int GetAsInteger() const;  // empty text reads as 0
    void SetAsInteger(int value);
    double GetAsFloat() const;  // empty text reads as 0
    void SetAsFloat(double value);

    // Reads the typed value (a date or a number, as the edit's type says). Text that is no value of
    // the type shows fehlertext as a hint and returns false; wert is then left as it was.
    bool Lesen(double& wert, const QString& fehlertext) const;
    bool Lesen(int& wert, const QString& fehlertext) const;
    // Writes a value (a date or a number, as the edit's type says); one that does not fit the edit
    // shows fehlertext as a hint and returns false.
    bool Schreiben(double wert, const QString& fehlertext);
    bool Schreiben(int wert, const QString& fehlertext);

    // F2, "Eingabe&hilfe": the calendar for dates, the allowed values otherwise.
    void Eingabehilfe();
    // A window's own input help for this edit, instead of the standard one.
    void SetEingabehilfe(std::function<void()> hilfe) { m_eigeneHilfe = std::move(hilfe); }

signals:
    void Exit(QObject* sender);
    void KeyDown(QObject* sender, int key);

protected:
    void ExitMelden() override { emit Exit(this); }
    bool WertPruefen() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool imBereich(double v) const;
    TEditTyp m_typ;
    double m_min = 0;
    double m_max = 0;
    bool m_bereich = false;
    int m_decimals = 2;
    bool m_tausender = false;
    QString m_programmText;  // last text the program wrote: not range checked
    std::function<void()> m_eigeneHilfe;
    QString m_vorher;        // text when the clerk entered the edit, or the program wrote it last
};

// Rich-text edit that reports leaving it.
class TQELRichEdit : public QTextEdit, public TQELEingabe {
    Q_OBJECT
public:
    explicit TQELRichEdit(QWidget* parent = nullptr);

    // The text as typed, lines ended by "\n". Unlike toPlainText it keeps non-breaking spaces.
    QString PlainText() const
    {
        QString t = document()->toRawText();
        t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        t.replace(QChar::LineSeparator, QLatin1Char('\n'));
        return t;
    }

signals:
    void Exit(QObject* sender);

protected:
    void ExitMelden() override { emit Exit(this); }
    void focusOutEvent(QFocusEvent* event) override;
};

// Menu button bar of a main menu.
enum class TButtonKind { btHead, btMenu };

class TButtons : public QWidget {
    Q_OBJECT
public:
    explicit TButtons(QWidget* parent = nullptr);
    void AddButton(const QString& buttonName, TButtonKind kind, const QString& leftCaption,
                   const QString& rightCaption);
    QPushButton* Button(const QString& buttonName) const;
    int Count() const { return m_buttons.size(); }

signals:
    void BtnClick(QObject* sender, int buttonIndex, const QString& buttonName);

private:
    QVBoxLayout* m_layout;
    QVector<QPushButton*> m_buttons;
};
