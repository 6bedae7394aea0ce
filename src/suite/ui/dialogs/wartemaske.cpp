#include "wartemaske.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

TfrmWartemaske::TfrmWartemaske(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      lblText(new QLabel(this)),
      prgFortschritt(new QProgressBar(this))
{
    setObjectName(QStringLiteral("frmWartemaske"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#frmWartemaske { background: white; border: 2px solid #B81020; }"));
    QFont f = lblText->font();
    f.setPointSize(11);
    f.setBold(true);
    lblText->setFont(f);
    lblText->setAlignment(Qt::AlignCenter);
    prgFortschritt->setRange(0, 0);
    prgFortschritt->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(lblText);
    layout->addWidget(prgFortschritt);
    setMinimumSize(340, 100);
}

void TfrmWartemaske::Zeigen(const QString& text)
{
    lblText->setText(text.isEmpty() ? QStringLiteral("Bitte warten, die Daten werden geladen ...") : text);
    prgFortschritt->setRange(0, 0);
    // As wide as its text needs with the screen's font, never narrower than the suite's 340 pixels.
    resize(minimumSizeHint().expandedTo(minimumSize()));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    // The work that follows blocks the event loop: wait until the window system has mapped the window
    // and paint it now, or the clerk looks at an empty frame until the work is done.
    QElapsedTimer warten;
    warten.start();
    while (windowHandle() && !windowHandle()->isExposed() && warten.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_seitZeichnen.start();
}

void TfrmWartemaske::Verbergen() { hide(); }

void TfrmWartemaske::Fortschritt(int erledigt, int gesamt)
{
    if (!isVisible() || m_seitZeichnen.elapsed() < 100)
        return;
    prgFortschritt->setRange(0, std::max(gesamt, 1));
    prgFortschritt->setValue(erledigt);
    m_seitZeichnen.restart();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
