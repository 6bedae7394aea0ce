#include "controls.h"

#include "suite/ui/dialogs/calendardialog.h"
#include "info.h"

#include <QApplication>
#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>

TQELStdPanel::TQELStdPanel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void TQELStdPanel::SetColor(const QColor& c)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    setPalette(p);
}

TQELHeaderPanel::TQELHeaderPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setObjectName(QStringLiteral("pnlHeader"));
    setMinimumHeight(40);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setStyleSheet(QStringLiteral("QLabel { background: #B81020; color: white; font-size: 16pt; font-weight: bold;"
                                 " padding-left: 12px; }"));
}

TQELStdBevel::TQELStdBevel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::HLine);
    setFrameShadow(QFrame::Sunken);
}

TQELStdLabel::TQELStdLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

TQELAttachLabel::TQELAttachLabel(const QString& text, QWidget* buddy, QWidget* parent) : QLabel(text, parent)
{
    if (buddy)
        setBuddy(buddy);
}

// --- completing the edit the clerk is typing in ------------------------------

bool TQELEingabe::Abschliessen()
{
    if (!WertPruefen())
        return false;
    const int vorher = QELInfo().Meldungszaehler();
    ExitMelden();
    m_abgeschlossen = true;
    return QELInfo().Meldungszaehler() == vorher;
}

void TQELEingabe::Verlassen(QFocusEvent* event)
{
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (m_abgeschlossen) {
        m_abgeschlossen = false;
        return;
    }
    const int vorher = QELInfo().Meldungszaehler();
    if (WertPruefen())
        ExitMelden();
    // Tab does not go past a refused value: the clerk corrects it here, as after an action key.
    const bool taste = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    auto* edit = dynamic_cast<QWidget*>(this);
    if (taste && edit && QELInfo().Meldungszaehler() != vorher)
        QMetaObject::invokeMethod(
            edit,
            [edit] {
                if (edit->isVisible() && edit->isEnabled())
                    edit->setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
}

bool qel_EingabeAbschliessen()
{
    auto* eingabe = dynamic_cast<TQELEingabe*>(QApplication::focusWidget());
    return !eingabe || eingabe->Abschliessen();
}

namespace {
// A left click ending on the button (as QAbstractButton decides it) while the focused edit refuses its
// value: the click is dropped. True when it was.
bool klickAbgelehnt(QAbstractButton* b, QMouseEvent* event)
{
    const bool klick =
        event->button() == Qt::LeftButton && b->isDown() && b->rect().contains(event->position().toPoint());
    if (!klick || qel_EingabeAbschliessen())
        return false;
    b->setDown(false);
    event->accept();
    return true;
}
}  // namespace

TQELStdSpeedButton::TQELStdSpeedButton(const QString& iconName, const QString& hint, QWidget* parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setToolTip(hint);
    // Tab reaches it and Space presses it; a mouse click leaves the focus in the edit.
    setFocusPolicy(Qt::TabFocus);
    if (!iconName.isEmpty())
        setIcon(QIcon(QStringLiteral(":/suite/icons/%1.svg").arg(iconName)));
    setIconSize(QSize(18, 18));
}

void TQELStdSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (!klickAbgelehnt(this, event))
        QToolButton::mouseReleaseEvent(event);
}

TResBitBtn::TResBitBtn(const QString& caption, const QKeySequence& key, QWidget* parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setMinimumHeight(28);
    if (!key.isEmpty()) {
        auto* sc = new QShortcut(key, this);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, &TResBitBtn::Ausloesen);
        // Enter on the keypad acts like Enter.
        if (key == QKeySequence(Qt::Key_Return)) {
            auto* block = new QShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_Enter), this);
            block->setContext(Qt::WindowShortcut);
            connect(block, &QShortcut::activated, this, &TResBitBtn::Ausloesen);
        }
        setToolTip(toolTip().isEmpty() ? key.toString(QKeySequence::NativeText) : toolTip());
    }
}

void TResBitBtn::Ausloesen()
{
    if (!isVisible() || !isEnabled() || !qel_EingabeAbschliessen())
        return;
    // Completing the edit may have switched the button off.
    if (isVisible() && isEnabled())
        click();
}

void TResBitBtn::mouseReleaseEvent(QMouseEvent* event)
{
    if (!klickAbgelehnt(this, event))
        QPushButton::mouseReleaseEvent(event);
}

TQELStdCheckBox::TQELStdCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

TQELStdGroupBox::TQELStdGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void TQELStdGroupBox::SetControlsEnabled(bool enabled)
{
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->setEnabled(enabled);
}

TQELStdRadioGroup::TQELStdRadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), m_layout(new QVBoxLayout(this)), m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit Click(this);
    });
}

void TQELStdRadioGroup::AddItem(const QString& text, QChar tag)
{
    auto* b = new QRadioButton(text, this);
    m_layout->addWidget(b);
    m_group->addButton(b, m_buttons.size());
    m_buttons.append(b);
    m_tags.append(tag);
}

int TQELStdRadioGroup::ItemIndex() const { return m_group->checkedId(); }

void TQELStdRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < m_buttons.size())
        m_buttons[index]->setChecked(true);
}

QChar TQELStdRadioGroup::ItemTag(int index) const { return m_tags.value(index); }

// --- masked edit -------------------------------------------------------------

TQELStdEdit::TQELStdEdit(TEditTyp typ, QWidget* parent) : QLineEdit(parent), m_typ(typ)
{
    connect(this, &QLineEdit::textChanged, this, [this] { Geaendert(); });
    switch (typ) {
    case TEditTyp::Datum:
        setMaxLength(10);
        setAlignment(Qt::AlignHCenter);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), this));
        break;
    case TEditTyp::Integer:
        setAlignment(Qt::AlignRight);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this));
        break;
    case TEditTyp::Float:
        setAlignment(Qt::AlignRight);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9.,]*")), this));
        break;
    case TEditTyp::Text:
        break;
    }
}

void TQELStdEdit::SetMask(const QString& mask)
{
    const QString vorne = mask.section(QLatin1Char(';'), 0, 0);
    if (!vorne.isEmpty())
        setMaxLength(vorne.size());
}

void TQELStdEdit::SetRange(double min, double max)
{
    m_min = min;
    m_max = max;
    m_bereich = true;
}

bool TQELStdEdit::imBereich(double v) const
{
    return !m_bereich || text() == m_programmText || (v >= m_min && v <= m_max);
}

TDateTime TQELStdEdit::GetAsDate() const { return StrToDate(text()); }

void TQELStdEdit::SetAsDate(TDateTime value)
{
    const QString t = DateToStr(value);
    if (!qel_ToQDate(value).isValid() || t.size() > maxLength())
        throw EConvertError(QStringLiteral("Das Datum kann nicht dargestellt werden."));
    m_programmText = t;
    m_vorher = t;
    setText(t);
}

int TQELStdEdit::GetAsInteger() const
{
    const QString t = text().trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' ist keine gültige ganze Zahl.").arg(t));
    if (!imBereich(v))
        throw EConvertError(QStringLiteral("%1 liegt nicht zwischen %2 und %3.").arg(v).arg(m_min).arg(m_max));
    return v;
}

void TQELStdEdit::SetAsInteger(int value)
{
    const QString t = QString::number(value);
    if (t.size() > maxLength())
        throw EConvertError(QStringLiteral("Die Zahl %1 ist zu lang für das Feld.").arg(value));
    m_programmText = t;
    m_vorher = t;
    setText(t);
}

double TQELStdEdit::GetAsFloat() const
{
    const QString t = text().trimmed();
    if (t.isEmpty())
        return 0;
    const double v = qel_StrToFloat(t);
    if (!imBereich(v))
        throw EConvertError(QStringLiteral("%1 liegt nicht im erlaubten Bereich.").arg(t));
    return v;
}

void TQELStdEdit::SetAsFloat(double value)
{
    if (!std::isfinite(value))
        throw EConvertError(QStringLiteral("Ungültige Zahl."));
    QString t = m_tausender && m_decimals == 2 ? qel_FormatMoney(value)
                                               : QLocale(QLocale::German).toString(value, 'f', m_decimals);
    if (!m_tausender)
        t.remove(QLatin1Char('.'));
    if (t.size() > maxLength())
        throw EConvertError(QStringLiteral("Die Zahl ist zu lang für das Feld."));
    m_programmText = t;
    m_vorher = t;
    setText(t);
}

namespace {
// A failed read or write of one typed value: a hint, and the caller goes on as it sees fit.
template <class F>
bool wertVersuchen(const QString& fehlertext, F&& schritt)
{
    try {
        schritt();
        return true;
    } catch (const std::exception&) {
        qel_Meldung(CMeldung_Hinweis, 994, fehlertext);
        return false;
    }
}
}  // namespace

bool TQELStdEdit::Lesen(double& wert, const QString& fehlertext) const
{
    return wertVersuchen(fehlertext, [&] { wert = m_typ == TEditTyp::Datum ? GetAsDate() : GetAsFloat(); });
}

bool TQELStdEdit::Lesen(int& wert, const QString& fehlertext) const
{
    return wertVersuchen(fehlertext, [&] { wert = GetAsInteger(); });
}

bool TQELStdEdit::Schreiben(double wert, const QString& fehlertext)
{
    return wertVersuchen(fehlertext, [&] {
        if (m_typ == TEditTyp::Datum)
            SetAsDate(wert);
        else
            SetAsFloat(wert);
    });
}

bool TQELStdEdit::Schreiben(int wert, const QString& fehlertext)
{
    return wertVersuchen(fehlertext, [&] { SetAsInteger(wert); });
}

void TQELStdEdit::Eingabehilfe()
{
    if (isReadOnly() || !isEnabled())
        return;
    if (m_eigeneHilfe) {
        m_eigeneHilfe();
        return;
    }
    if (m_typ == TEditTyp::Datum) {
        TCalendarDialog kalender;
        try {
            kalender.Date = GetAsDate();
        } catch (const EConvertError&) {
            kalender.Date = qel_Now();
        }
        if (kalender.Execute()) {
            setText(DateToStr(kalender.Date));
            setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    QString hilfe;
    if (m_typ == TEditTyp::Integer)
        hilfe = m_bereich ? QStringLiteral("Bitte eine ganze Zahl von %1 bis %2 eingeben.").arg(m_min).arg(m_max)
                          : QStringLiteral("Bitte eine ganze Zahl eingeben.");
    else if (m_typ == TEditTyp::Float)
        hilfe = QStringLiteral("Bitte einen Betrag eingeben, z. B. 1.234,56.");
    else
        hilfe = QStringLiteral("Bitte höchstens %1 Zeichen eingeben.").arg(maxLength());
    QELHinweisBox(hilfe, QStringLiteral("Eingabehilfe"));
}

bool TQELStdEdit::WertPruefen()
{
    if (!m_bereich || (m_typ != TEditTyp::Integer && m_typ != TEditTyp::Float))
        return true;
    const QString t = text().trimmed();
    if (t.isEmpty() || text() == m_programmText)
        return true;
    double v = 0;
    try {
        v = m_typ == TEditTyp::Integer ? double(t.toLongLong()) : qel_StrToFloat(t);
    } catch (const EConvertError&) {
        return true;  // no number at all: the Exit handler reads it and says so in its own words
    }
    if ((m_typ == TEditTyp::Integer && t != QString::number(qint64(v))) || imBereich(v))
        return true;
    const QLocale de(QLocale::German);
    const auto grenze = [&](double g) {
        return m_typ == TEditTyp::Integer ? QString::number(qint64(g)) : de.toString(g, 'f', m_decimals);
    };
    qel_Meldung(CMeldung_Hinweis, 994,
                QStringLiteral("Der Wert %1 liegt nicht zwischen %2 und %3. Der vorige Wert wurde wiederhergestellt.")
                    .arg(t, grenze(m_min), grenze(m_max)));
    setText(m_vorher);
    return false;
}

void TQELStdEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        m_vorher = text();
}

void TQELStdEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    Verlassen(event);
}

void TQELStdEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F2) {
        Eingabehilfe();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Enter confirms the value: one out of range is refused here, before anything acts on it.
    if (enter && !WertPruefen()) {
        event->accept();
        return;
    }
    emit KeyDown(this, enter ? VK_RETURN : event->key());
    QLineEdit::keyPressEvent(event);
}

void TQELStdEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->addSeparator();
    QAction* hilfe = menu->addAction(QStringLiteral("Eingabe&hilfe"));
    hilfe->setShortcut(QKeySequence(Qt::Key_F2));
    hilfe->setEnabled(isEnabled() && !isReadOnly());
    QAction* gewaehlt = menu->exec(event->globalPos());
    delete menu;
    if (gewaehlt == hilfe)
        Eingabehilfe();
}

TQELRichEdit::TQELRichEdit(QWidget* parent) : QTextEdit(parent)
{
    // Letters have no tab stops: Tab goes on to the next control as everywhere else.
    setTabChangesFocus(true);
    connect(this, &QTextEdit::textChanged, this, [this] { Geaendert(); });
}

void TQELRichEdit::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    Verlassen(event);
}

// --- menu button bar ----------------------------------------------------------

TButtons::TButtons(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    m_layout->addStretch(1);
    m_layout->addStretch(1);
}

void TButtons::AddButton(const QString& buttonName, TButtonKind kind, const QString& leftCaption,
                         const QString& rightCaption)
{
    auto* b = new QPushButton(this);
    b->setObjectName(buttonName);
    b->setFlat(true);
    const bool kopf = kind == TButtonKind::btHead;
    const QString links = leftCaption.trimmed();
    b->setText(kopf ? links : rightCaption);
    b->setFixedHeight(kopf ? 26 : 25);
    b->setFocusPolicy(kopf ? Qt::NoFocus : Qt::StrongFocus);
    b->setCursor(kopf ? Qt::ArrowCursor : Qt::PointingHandCursor);
    const QString basis = QStringLiteral(
        "QPushButton { background: #B8B8B8; color: white; font-family: Arial, 'Liberation Sans'; font-weight: bold;"
        " font-size: 16px; border: none; outline: none; padding: 0 10px; text-align: %1; }");
    QString style = basis.arg(kopf ? QStringLiteral("left") : QStringLiteral("right"));
    if (!kopf)
        style += QStringLiteral("QPushButton:hover, QPushButton:focus { background: #B81020; }"
                                "QPushButton:pressed { background: #8E0C18; }");
    b->setStyleSheet(style);
    const int index = m_buttons.size();
    connect(b, &QPushButton::clicked, this, [this, index, buttonName] { emit BtnClick(this, index, buttonName); });
    m_layout->insertWidget(m_layout->count() - 1, b);
    m_buttons.append(b);
}

QPushButton* TButtons::Button(const QString& buttonName) const
{
    for (QPushButton* b : m_buttons)
        if (b->objectName() == buttonName)
            return b;
    return nullptr;
}
