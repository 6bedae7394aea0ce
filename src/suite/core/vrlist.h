// The suite's result table: rows of typed cells under described columns.
#pragma once

#include "types.h"

#include <QString>
#include <QVariant>
#include <deque>
#include <variant>
#include <vector>

// Data type codes of a column.
enum : int {
    CVR_Integer = 1,
    CVR_Number = 5,
    CVR_Text = 6,
    CVR_Date = 7,
};

// One cell. Empty, integer, number (also dates) or text.
class TVRItem {
public:
    TVRItem() = default;
    TVRItem(qint64 v) : m_value(v) {}
    TVRItem(int v) : m_value(qint64(v)) {}
    TVRItem(double v) : m_value(v) {}
    TVRItem(const QString& v) : m_value(v) {}
    TVRItem(const char* v) : m_value(QString::fromUtf8(v)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(m_value); }
    bool IsInteger() const { return std::holds_alternative<qint64>(m_value); }
    bool IsFloat() const { return std::holds_alternative<double>(m_value); }
    bool IsString() const { return std::holds_alternative<QString>(m_value); }

    void SetInteger(qint64 v) { m_value = v; }
    void SetFloat(double v) { m_value = v; }
    void SetString(const QString& v) { m_value = v; }
    void Clear() { m_value = std::monostate{}; }

    // Conversions; each raises EConvertError when the cell cannot be read that way.
    QString AsString(int dataType = CVR_Text) const;
    qint64 AsInteger() const;
    double AsFloat() const;
    TDateTime AsDate() const;

private:
    std::variant<std::monostate, qint64, double, QString> m_value;
};

void Float2VRItem(TVRItem& item, double value);
void Date2VRItem(TVRItem& item, TDateTime value);      // date without time
void DateTime2VRItem(TVRItem& item, TDateTime value);  // date with time

// Descriptor of one column; the caller fills it after ColumnAdd.
struct TVRColumn {
    QString Name;
    int DataType = CVR_Text;
    bool Formatted = false;   // show with the format text
    QString Format;           // "%n": number with thousands separators and two decimals
    int Integer = 0;          // display hint: preferred width in pixels, 0 for the default
    bool Flag1 = true;        // visible in a list view by default
    bool Flag2 = false;       // editable by the clerk (values typed into a row)
};

// A column as a table's code writes it down, in a list of them.
struct TVRSpalte {
    const char* Name;          // UTF-8
    int DataType = CVR_Text;
    bool Geld = false;         // money: shown with the "%n" format
    bool Sichtbar = true;      // Flag1
    int Breite = 0;            // Integer: preferred width in pixels, 0 for the default
    bool Editierbar = false;   // Flag2
};

class TVRList {
public:
    TVRList() = default;
    TVRList(const TVRList&) = delete;
    TVRList& operator=(const TVRList&) = delete;

    TVRColumn& ColumnAdd();
    // Appends a described column; money columns show with the "%n" format.
    TVRColumn& ColumnAdd(const QString& name, int dataType, bool money = false);
    TVRColumn& ColumnAdd(const TVRSpalte& spalte);
    template <size_t N>
    void ColumnsAdd(const TVRSpalte (&spalten)[N])
    {
        for (const TVRSpalte& s : spalten)
            ColumnAdd(s);
    }
    int GetColumnCount() const { return int(m_columns.size()); }
    TVRColumn& Column(int col);
    const TVRColumn& Column(int col) const;

    // values: one per column, in column order; high = highest index of values; rowCount = current row count.
    // Returns the index of the new row.
    int RowAdd(const std::vector<TVRItem>& values, int high, int rowCount);
    int RowAdd(std::vector<TVRItem>&& values);
    void RowsClear();
    // Puts the rows into a new order: new row i is the old row reihenfolge[i] (a permutation of all rows).
    // Done in place, so a large table needs no second copy.
    void RowsReorder(const std::vector<int>& reihenfolge);
    int GetRowCount() const { return m_rowCount; }
    void Reserve(int rows);

    TVRItem& GetCell(int row, int col);
    const TVRItem& GetCell(int row, int col) const;

    QString GetCellValueAsString(int row, int col) const;
    qint64 GetCellValueAsInteger(int row, int col) const;
    double GetCellValueAsFloat(int row, int col) const;
    TDateTime GetCellValueAsDate(int row, int col) const;

    // Display text of a cell as a list view shows it (dates as dd.MM.yyyy, "%n" numbers as 1.234,56).
    QString DisplayText(int row, int col) const;

private:
    void checkCell(int row, int col) const;

    std::deque<TVRColumn> m_columns;  // deque: descriptors handed out by ColumnAdd stay valid
    std::vector<TVRItem> m_cells;  // row-major, m_columns.size() per row
    int m_rowCount = 0;
};
