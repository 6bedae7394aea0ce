// List view with 100,000 rows x 30 columns: binding with half the rows hidden, checking all rows,
// and a filter change. Each case runs 7 times; the median counts. Exit code 1 when a target is missed.
#include "suite/ui/vtvrlist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 30;
constexpr int kRuns = 7;

void fillTable(TVRList& list)
{
    const int types[] = {CVR_Integer, CVR_Number, CVR_Text, CVR_Date};
    for (int c = 0; c < kColumns; ++c) {
        TVRColumn& col = list.ColumnAdd();
        col.Name = QStringLiteral("Spalte %1").arg(c);
        col.DataType = types[c % 4];
        col.Formatted = col.DataType == CVR_Number;
        col.Format = col.Formatted ? QStringLiteral("%n") : QString();
        col.Flag1 = c < 20;
    }
    list.Reserve(kRows);
    std::vector<TVRItem> values(kColumns);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            switch (list.Column(c).DataType) {
            case CVR_Integer: values[size_t(c)] = TVRItem(r * 7 + c); break;
            case CVR_Number: values[size_t(c)] = TVRItem((r % 1000) * 13.37 - c); break;
            case CVR_Text: values[size_t(c)] = TVRItem(QStringLiteral("Partner %1/%2").arg(r).arg(c)); break;
            default: values[size_t(c)] = TVRItem(45000.0 + (r % 900)); break;
            }
        }
        list.RowAdd(values, kColumns - 1, list.GetRowCount());
    }
}

// Lets the view lay out and paint what the operation changed, as the clerk would see it.
void settle(TVTVRList& view)
{
    QCoreApplication::processEvents();
    view.viewport()->repaint();
}

double medianMs(const std::function<void()>& prepare, const std::function<void()>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        run();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Same scattered third for a given seed, different for different seeds.
bool scattered(int row, unsigned seed)
{
    unsigned x = unsigned(row) * 2654435761u ^ (seed * 40503u + 0x9e3779b9u);
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return x % 3 == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QApplication app(argc, argv);

    QElapsedTimer fillTimer;
    fillTimer.start();
    TVRList list;
    fillTable(list);
    std::printf("table of %d x %d filled in %.0f ms (not a target)\n", kRows, kColumns, fillTimer.nsecsElapsed() / 1e6);

    auto view = std::make_unique<TVTVRList>();
    view->resize(1200, 800);
    view->show();
    view->SetCheckBoxes(true);
    QObject::connect(view.get(), &TVTVRList::InitNode, [](TVTVRList* sender, TVirtualNode* node) {
        sender->SetCheckType(node, ctCheckBox);
        sender->SetCheckState(node, csUncheckedNormal);
    });
    QObject::connect(view.get(), &TVTVRList::PaintText, [](TVTVRList* sender, TVirtualNode* node, int, QColor* color) {
        if (sender->GetCheckState(node) == csCheckedNormal)
            *color = QColor(0, 0, 255);
    });
    settle(*view);

    struct Result {
        const char* name;
        double ms;
        double target;
    };
    std::vector<Result> results;

    // (a) bind and hide every other row, all in one bracket.
    auto bindHalf = [&] {
        view->BeginUpdate();
        view->Clear();
        view->SetVRList(&list);
        view->LoadFromVRList(true);
        int i = 0;
        for (TVirtualNode* n = view->GetFirst(); n; n = view->GetNext(n), ++i)
            view->SetVisible(n, i % 2 == 0);
        view->EndUpdate();
        settle(*view);
    };
    auto unbind = [&] {
        view->BeginUpdate();
        view->Clear();
        view->SetVRList(nullptr);
        view->EndUpdate();
        settle(*view);
    };
    results.push_back({"bind 100k x 30 and hide every other row", medianMs(unbind, bindHalf), 300.0});
    if (view->NodeCount() != kRows) {
        std::fprintf(stderr, "binding produced %d nodes instead of %d\n", view->NodeCount(), kRows);
        return 2;
    }

    // (b) check (and alternately uncheck) all rows with half of them hidden.
    bool checkedAll = false;
    auto checkAll = [&] {
        checkedAll = !checkedAll;
        const TCheckState state = checkedAll ? csCheckedNormal : csUncheckedNormal;
        view->BeginUpdate();
        for (TVirtualNode* n = view->GetFirst(); n; n = view->GetNext(n))
            view->SetCheckState(n, state);
        view->EndUpdate();
        settle(*view);
    };
    results.push_back({"check all 100k rows, half hidden", medianMs([] {}, checkAll), 100.0});

    // (c) filter change: show all, hide a scattered third (a different third each run).
    unsigned seed = 0;
    auto filter = [&] {
        ++seed;
        view->BeginUpdate();
        int i = 0;
        for (TVirtualNode* n = view->GetFirst(); n; n = view->GetNext(n), ++i) {
            view->SetVisible(n, true);
            if (scattered(i, seed))
                view->SetVisible(n, false);
        }
        view->EndUpdate();
        settle(*view);
    };
    results.push_back({"filter change: show all, hide a scattered third", medianMs([] {}, filter), 300.0});

    int hidden = 0;
    for (TVirtualNode* n = view->GetFirst(); n; n = view->GetNext(n))
        hidden += view->isRowHidden(view->DisplayRow(n), QModelIndex()) ? 1 : 0;

    bool ok = true;
    for (const Result& r : results) {
        const bool met = r.ms <= r.target;
        ok = ok && met;
        std::printf("%-50s median %8.1f ms   target <= %5.0f ms   %s\n", r.name, r.ms, r.target, met ? "ok" : "MISSED");
    }
    std::printf("rows hidden after the last filter: %d of %d\n", hidden, kRows);
    return ok ? 0 : 1;
}
