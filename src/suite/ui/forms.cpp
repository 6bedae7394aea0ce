#include "forms.h"

#include "controls.h"
#include "suite/core/servers/interfaces.h"
#include "vtvrlist.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

// Outside any namespace: the macro declares a global function.
static void suiteRessourcenLaden()
{
    static const bool geladen = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(geladen);
}

namespace {
TModalHandler& modalHandler()
{
    static TModalHandler handler;
    return handler;
}
}  // namespace

QString TQELForm::Kontext(const char* methode) const
{
    return QLatin1String(metaObject()->className()) + QLatin1Char('.') + QLatin1String(methode);
}

TQELForm::TQELForm(QWidget* parent) : QDialog(parent)
{
    suiteRessourcenLaden();
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void TQELForm::QELFormInit(const QString& name, bool)
{
    setObjectName(name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont f = font();
    f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setPointSize(9);
    setFont(f);
}

void TQELForm::CenterOnScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size().isValid() ? frameGeometry().size() : this->size();
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void TQELForm::SetClientSize(int width, int height) { resize(width, height); }

int TQELForm::ShowModal()
{
    groesseLaden();
    CenterOnScreen();
    const int ergebnis = qel_ShowModal(this);
    groesseMerken();
    return ergebnis;
}

namespace {
QString groessenSchluessel(const QWidget* w) { return w->objectName() + QStringLiteral("/Fenster"); }

IQEL_SystemServerRef einstellungsServer()
{
    IQEL_SystemServerRef server;
    Glob_WWSServerFactoryClass().SystemServer_Holen(server);
    return server;
}
}  // namespace

void TQELForm::groesseLaden()
{
    if (!m_standardGroesse.isValid())
        m_standardGroesse = size();
    if (objectName().isEmpty())
        return;
    try {
        const QStringList teile = einstellungsServer()->Einstellung_Lesen(groessenSchluessel(this)).split(QLatin1Char(','));
        if (teile.size() != 2)
            return;
        const QSize gemerkt(teile[0].toInt(), teile[1].toInt());
        // A size from a larger screen shrinks to this one.
        QSize platz = gemerkt;
        if (QScreen* screen = QGuiApplication::primaryScreen())
            platz = gemerkt.boundedTo(screen->availableGeometry().size());
        if (platz.isValid())
            resize(platz.expandedTo(minimumSize()));
    } catch (const std::exception&) {
        // no suite database: the window's own size
    }
}

void TQELForm::groesseMerken()
{
    if (objectName().isEmpty())
        return;
    try {
        einstellungsServer()->Einstellung_Schreiben(groessenSchluessel(this),
                                                    QStringLiteral("%1,%2").arg(width()).arg(height()));
    } catch (const std::exception&) {
        // the size is a convenience; closing the window must not fail over it
    }
}

void TQELForm::StandardAnsicht()
{
    for (TVTVRList* liste : findChildren<TVTVRList*>())
        liste->StandardLayout();
    if (!objectName().isEmpty())
        einstellungsServer()->Einstellungen_Loeschen(groessenSchluessel(this));
    if (m_standardGroesse.isValid())
        resize(m_standardGroesse);
}

void TQELForm::SetModalResult(int result) { done(result); }

void TQELForm::ActivateControl(QWidget* control)
{
    if (control)
        control->setFocus(Qt::OtherFocusReason);
}

namespace {
void lesefolge(QLayout* layout, QList<QWidget*>& folge);

void lesefolge(QWidget* w, QList<QWidget*>& folge)
{
    if (w->isWindow())
        return;
    if ((w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
        folge << w;
    else if (w->layout())
        lesefolge(w->layout(), folge);
}

// A layout's controls as the clerk reads them: box layouts in their order, grids row by row.
void lesefolge(QLayout* layout, QList<QWidget*>& folge)
{
    QList<int> reihe;
    for (int i = 0; i < layout->count(); ++i)
        reihe << i;
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        const auto stelle = [grid](int i) {
            int zeile = 0, spalte = 0, hoch = 0, breit = 0;
            grid->getItemPosition(i, &zeile, &spalte, &hoch, &breit);
            return std::pair{zeile, spalte};
        };
        std::stable_sort(reihe.begin(), reihe.end(), [&](int a, int b) { return stelle(a) < stelle(b); });
    }
    for (int i : reihe) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget())
            lesefolge(item->widget(), folge);
        else if (item->layout())
            lesefolge(item->layout(), folge);
    }
}
}  // namespace

void TQELForm::TabfolgeSetzen()
{
    QList<QWidget*> folge;
    if (layout())
        lesefolge(layout(), folge);
    for (int i = 1; i < folge.size(); ++i)
        QWidget::setTabOrder(folge[i - 1], folge[i]);
}

void TQELForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        TabfolgeSetzen();
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TQELForm::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers mod = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mod == Qt::NoModifier) {
        for (QPushButton* b : findChildren<QPushButton*>()) {
            if (!b->isDefault() || !b->isVisible() || !b->isEnabled() || b->window() != this)
                continue;
            event->accept();
            if (auto* knopf = qobject_cast<TResBitBtn*>(b))
                knopf->Ausloesen();
            else if (qel_EingabeAbschliessen())
                b->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void TQELForm::reject() { done(mrCancel); }

int qel_ShowModal(QDialog* dialog)
{
    if (modalHandler())
        return modalHandler()(dialog);
    return dialog->exec();
}

void qel_SetModalHandler(TModalHandler handler) { modalHandler() = std::move(handler); }

bool qel_QtUebersetzungLaden()
{
    static QTranslator* qt = nullptr;
    if (qt)
        return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qt"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    qt = t;
    return true;
}
