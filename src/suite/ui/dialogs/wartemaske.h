// Wait window of the suite, shown modelessly while a long operation runs on the UI thread.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

class TfrmWartemaske : public QWidget {
    Q_OBJECT
public:
    explicit TfrmWartemaske(QWidget* parent = nullptr);
    void Zeigen(const QString& text = QString());
    void Verbergen();
    // Progress of a long step (done of total); repaints at most every 100 ms.
    void Fortschritt(int erledigt, int gesamt);

    QLabel* lblText;
    QProgressBar* prgFortschritt;

private:
    QElapsedTimer m_seitZeichnen;
};
