#include "vrlist.h"

#include <cmath>
#include <utility>

namespace {

EConvertError notReadable(const QString& text, const char* what)
{
    return EConvertError(QStringLiteral("'%1' kann nicht als %2 gelesen werden.").arg(text, QLatin1String(what)));
}

// Plain number text with a German decimal comma and no grouping, so that qel_StrToFloat reads it back.
QString numberText(double v)
{
    QString s = QString::number(v, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

qint64 roundToInteger(double v, const QString& text)
{
    // Beyond +-2^63 llround is undefined; such values are no integers of this suite anyway.
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18)
        throw notReadable(text, "ganze Zahl");
    return qint64(std::llround(v));
}

}  // namespace

// --- TVRItem ------------------------------------------------------------------

QString TVRItem::AsString(int dataType) const
{
    if (IsEmpty())
        return QString();
    if (IsString())
        return std::get<QString>(m_value);
    const double v = IsInteger() ? double(std::get<qint64>(m_value)) : std::get<double>(m_value);
    if (dataType == CVR_Date)
        return v == 0.0 ? QString() : DateToStr(v);  // 0 is "no date" in this suite
    if (IsInteger())
        return QString::number(std::get<qint64>(m_value));
    return numberText(v);
}

qint64 TVRItem::AsInteger() const
{
    if (IsEmpty())
        return 0;
    if (IsInteger())
        return std::get<qint64>(m_value);
    if (IsFloat())
        return roundToInteger(std::get<double>(m_value), numberText(std::get<double>(m_value)));
    const QString& s = std::get<QString>(m_value);
    const QString t = s.trimmed();
    if (t.isEmpty())
        return 0;  // servers deliver blank text for missing values
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok)
        return v;
    return roundToInteger(qel_StrToFloat(t), s);
}

double TVRItem::AsFloat() const
{
    if (IsEmpty())
        return 0.0;
    if (IsInteger())
        return double(std::get<qint64>(m_value));
    if (IsFloat())
        return std::get<double>(m_value);
    const QString& s = std::get<QString>(m_value);
    if (s.trimmed().isEmpty())
        return 0.0;
    return qel_StrToFloat(s);
}

TDateTime TVRItem::AsDate() const
{
    if (IsEmpty())
        return 0.0;
    if (IsInteger())
        return double(std::get<qint64>(m_value));
    if (IsFloat()) {
        const double v = std::get<double>(m_value);
        if (!std::isfinite(v))
            throw notReadable(numberText(v), "Datum");
        return v;
    }
    const QString& s = std::get<QString>(m_value);
    if (s.trimmed().isEmpty())
        return 0.0;
    return StrToDate(s);
}

void Float2VRItem(TVRItem& item, double value) { item.SetFloat(value); }

void Date2VRItem(TVRItem& item, TDateTime value) { item.SetFloat(qel_DateOf(value)); }

void DateTime2VRItem(TVRItem& item, TDateTime value) { item.SetFloat(value); }

// --- TVRList ------------------------------------------------------------------

TVRColumn& TVRList::ColumnAdd()
{
    const size_t oldCols = m_columns.size();
    if (m_rowCount > 0) {
        // Rows exist: spread them out so that every row gets an empty cell for the new column.
        std::vector<TVRItem> cells(size_t(m_rowCount) * (oldCols + 1));
        for (size_t r = 0; r < size_t(m_rowCount); ++r)
            for (size_t c = 0; c < oldCols; ++c)
                cells[r * (oldCols + 1) + c] = std::move(m_cells[r * oldCols + c]);
        m_cells = std::move(cells);
    }
    m_columns.emplace_back();
    return m_columns.back();
}

const TVRColumn& TVRList::Column(int col) const
{
    if (col < 0 || col >= GetColumnCount())
        throw EQELError(QStringLiteral("Die Spalte %1 gibt es nicht.").arg(col));
    return m_columns[size_t(col)];
}

TVRColumn& TVRList::Column(int col) { return const_cast<TVRColumn&>(std::as_const(*this).Column(col)); }

int TVRList::RowAdd(const std::vector<TVRItem>& values, int high, int rowCount)
{
    // rowCount is the count the caller noted; the row always goes after the last one.
    Q_UNUSED(rowCount);
    const int cols = GetColumnCount();
    if (high >= cols)
        throw EQELError(QStringLiteral("Die Zeile hat %1 Werte, die Tabelle aber nur %2 Spalten.").arg(high + 1).arg(cols));
    if (high < -1 || high >= int(values.size()))
        throw EQELError(QStringLiteral("Der höchste Index %1 liegt außerhalb der %2 Werte.").arg(high).arg(values.size()));
    m_cells.resize(m_cells.size() + size_t(cols));
    auto row = m_cells.end() - cols;
    for (int c = 0; c <= high; ++c)
        row[c] = values[size_t(c)];
    return m_rowCount++;
}

int TVRList::RowAdd(std::vector<TVRItem>&& values)
{
    const int cols = GetColumnCount();
    if (int(values.size()) > cols)
        throw EQELError(QStringLiteral("Die Zeile hat %1 Werte, die Tabelle aber nur %2 Spalten.").arg(values.size()).arg(cols));
    m_cells.resize(m_cells.size() + size_t(cols));
    auto row = m_cells.end() - cols;
    for (size_t c = 0; c < values.size(); ++c)
        row[ptrdiff_t(c)] = std::move(values[c]);
    return m_rowCount++;
}

void TVRList::RowsClear()
{
    m_cells.clear();
    m_rowCount = 0;
}

void TVRList::Reserve(int rows)
{
    if (rows > 0)
        m_cells.reserve(size_t(rows) * m_columns.size());
}

void TVRList::checkCell(int row, int col) const
{
    if (row < 0 || row >= m_rowCount || col < 0 || col >= GetColumnCount())
        throw EQELError(QStringLiteral("Zeile %1, Spalte %2 liegt außerhalb der Tabelle (%3 Zeilen, %4 Spalten).")
                            .arg(row)
                            .arg(col)
                            .arg(m_rowCount)
                            .arg(GetColumnCount()));
}

TVRItem& TVRList::GetCell(int row, int col)
{
    checkCell(row, col);
    return m_cells[size_t(row) * m_columns.size() + size_t(col)];
}

const TVRItem& TVRList::GetCell(int row, int col) const
{
    checkCell(row, col);
    return m_cells[size_t(row) * m_columns.size() + size_t(col)];
}

QString TVRList::GetCellValueAsString(int row, int col) const
{
    return GetCell(row, col).AsString(m_columns[size_t(col)].DataType);
}

qint64 TVRList::GetCellValueAsInteger(int row, int col) const { return GetCell(row, col).AsInteger(); }

double TVRList::GetCellValueAsFloat(int row, int col) const { return GetCell(row, col).AsFloat(); }

TDateTime TVRList::GetCellValueAsDate(int row, int col) const { return GetCell(row, col).AsDate(); }

QString TVRList::DisplayText(int row, int col) const
{
    const TVRItem& item = GetCell(row, col);
    if (item.IsEmpty() || item.IsString())
        return item.AsString();
    const TVRColumn& column = m_columns[size_t(col)];
    switch (column.DataType) {
    case CVR_Date:
        return item.AsString(CVR_Date);
    case CVR_Number:
        if (column.Formatted && column.Format == QLatin1String("%n"))
            return qel_FormatMoney(item.AsFloat());
        return item.AsString(CVR_Number);
    default:
        return item.AsString(column.DataType);
    }
}

void TVRList::RowsReorder(const std::vector<int>& reihenfolge)
{
    const size_t n = reihenfolge.size();
    std::vector<bool> erledigt(n, false);
    bool permutation = int(n) == m_rowCount;
    for (size_t i = 0; permutation && i < n; ++i) {
        const int q = reihenfolge[i];
        permutation = q >= 0 && size_t(q) < n && !erledigt[size_t(q)];
        if (permutation)
            erledigt[size_t(q)] = true;
    }
    if (!permutation)
        throw EQELError(QStringLiteral("Die neue Reihenfolge ist keine Umordnung aller Zeilen."));
    std::fill(erledigt.begin(), erledigt.end(), false);
    const size_t cols = m_columns.size();
    std::vector<TVRItem> puffer(cols);
    auto zeile = [&](size_t r) { return m_cells.begin() + std::ptrdiff_t(r * cols); };
    // Follow each cycle of the permutation, moving one row at a time.
    for (size_t start = 0; start < n; ++start) {
        if (erledigt[start])
            continue;
        std::move(zeile(start), zeile(start) + std::ptrdiff_t(cols), puffer.begin());
        size_t ziel = start;
        for (;;) {
            erledigt[ziel] = true;
            const size_t quelle = size_t(reihenfolge[ziel]);
            if (quelle == start) {
                std::move(puffer.begin(), puffer.end(), zeile(ziel));
                break;
            }
            std::move(zeile(quelle), zeile(quelle) + std::ptrdiff_t(cols), zeile(ziel));
            ziel = quelle;
        }
    }
}

TVRColumn& TVRList::ColumnAdd(const QString& name, int dataType, bool money)
{
    TVRColumn& c = ColumnAdd();
    c.Name = name;
    c.DataType = dataType;
    c.Formatted = money;
    c.Format = money ? QStringLiteral("%n") : QString();
    return c;
}

TVRColumn& TVRList::ColumnAdd(const TVRSpalte& spalte)
{
    TVRColumn& c = ColumnAdd(QString::fromUtf8(spalte.Name), spalte.DataType, spalte.Geld);
    c.Flag1 = spalte.Sichtbar;
    c.Integer = spalte.Breite;
    c.Flag2 = spalte.Editierbar;
    return c;
}
