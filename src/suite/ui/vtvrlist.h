// The suite's list view: shows one result table; its nodes stand for the table's rows.
#pragma once

#include "suite/core/vrlist.h"

#include <QColor>
#include <QIcon>
#include <QTreeView>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QTimer;

enum TCheckState : int {
    csUncheckedNormal = 0,
    csUncheckedPressed = 1,
    csCheckedNormal = 2,
    csCheckedPressed = 3,
    csMixedNormal = 4,
};

enum TCheckType : int {
    ctNone = 0,
    ctCheckBox = 1,
};

// What a node carries: the 1-based number of its row in the bound table.
struct TVTNodeData {
    int RowNr = 0;
};

// One node of the view. Owned by the view; valid until the view is cleared.
struct TVirtualNode {
    TVTNodeData Data;
    int Index = 0;  // position in the view's node array (load order)
    TCheckState CheckState = csUncheckedNormal;
    TCheckType CheckType = ctNone;
    bool Visible = true;
};

class TVTVRList;
class TVRListModel;

class TVirtualTreeColumn {
public:
    TVirtualTreeColumn(TVTVRList* view, int index) : m_view(view), m_index(index) {}
    void SetWidth(int width);
    int GetWidth() const;

private:
    TVTVRList* m_view;
    int m_index;
};

class TVirtualTreeColumns {
public:
    explicit TVirtualTreeColumns(TVTVRList* view) : m_view(view) {}
    TVirtualTreeColumn GetItem(int index) const { return TVirtualTreeColumn(m_view, index); }
    int GetCount() const;

private:
    TVTVRList* m_view;
};

class TVTVRList : public QTreeView {
    Q_OBJECT
public:
    explicit TVTVRList(QWidget* parent = nullptr);
    ~TVTVRList() override;

    // --- update brackets: changes inside are collected and signalled once at the outer EndUpdate
    void BeginUpdate();
    void EndUpdate();
    bool InUpdate() const { return m_updateCount > 0; }

    // --- binding
    void Clear();                      // removes every node
    void SetVRList(TVRList* list);     // binds a table (or none); does not load its rows
    TVRList* GetVRList() const { return m_list; }
    void LoadFromVRList(bool initNodes = true);  // one node per table row; InitNode for each when initNodes
    // Clears the view and detaches its table, in one update bracket: before a reload, and before the
    // server owning the table is given back.
    void ListeLoesen();
    // Clears the view, binds the table and loads one node per row, in one update bracket.
    void ListeBinden(TVRList* list);

    // --- options
    void SetCheckBoxes(bool on);       // nodes show check boxes
    bool CheckBoxes() const { return m_checkBoxes; }

    // --- walking (in display order)
    int NodeCount() const { return int(m_nodes.size()); }
    TVirtualNode* GetFirst() const;
    TVirtualNode* GetNext(TVirtualNode* node) const;
    TVirtualNode* GetLast() const;
    TVirtualNode* GetFirstVisible() const;
    TVirtualNode* GetNextVisible(TVirtualNode* node) const;
    TVirtualNode* GetFirstSelected() const;
    // Checked walks include hidden nodes.
    TVirtualNode* GetFirstChecked(TCheckState state = csCheckedNormal) const;
    TVirtualNode* GetNextChecked(TVirtualNode* node, TCheckState state = csCheckedNormal) const;
    const TVTNodeData* GetNodeData(TVirtualNode* node) const;

    // --- nodes
    bool GetVisible(TVirtualNode* node) const;
    void SetVisible(TVirtualNode* node, bool visible);
    void SetSelected(TVirtualNode* node, bool selected);
    // Lists that allow several selected rows: whether the row is one of them.
    bool GetSelected(TVirtualNode* node) const;
    TCheckState GetCheckState(TVirtualNode* node) const;
    void SetCheckState(TVirtualNode* node, TCheckState state);
    void SetCheckType(TVirtualNode* node, TCheckType type);

    // --- cells of the node's row
    TVRItem& GetCellValue(TVirtualNode* node, int col);
    QString GetCellValueAsString(TVirtualNode* node, int col) const;
    qint64 GetCellValueAsInteger(TVirtualNode* node, int col) const;
    double GetCellValueAsFloat(TVirtualNode* node, int col) const;
    TDateTime GetCellValueAsDate(TVirtualNode* node, int col) const;

    // --- columns (addressed by the bound table's column index)
    void SetColumnVisible(int col, bool visible);
    bool GetColumnVisible(int col) const;
    TVirtualTreeColumns Columns() { return TVirtualTreeColumns(this); }
    void UpdateColumnLayout(int a = 0, int b = 0);

    // Pixel sizes given for the suite's 8-point system font, in pixels of this view's font: widths by the
    // width of digits, heights by the line height. Never smaller than given.
    int Skaliert(int pixel) const;
    int SkaliertHoehe(int pixel) const;
    // A width given for the 8-point font as this view shows it: scaled, never narrower than the title.
    int VorgabeBreite(int col, int pixel) const;
    // The width the program gave a column (for the 8-point font); a width the clerk chose wins over it.
    void SpaltenBreiteSetzen(int col, int pixel);
    // A column shown as a symbol for its text (the text is its tool tip), under a symbol for its title.
    void SetSymbolSpalte(int col, const QIcon& kopf, std::function<QIcon(const QString&)> zelle);
    // The column that gives way when the columns are wider than the list: it takes what the others
    // leave, never more than its given width nor less than its title (cut texts show as tool tips).
    void SetAusgleichSpalte(int col);

    // The clerk's arrangement of this list (column widths, order, sort) is remembered per user and window
    // in the suite's user settings and comes back when the same table is shown again.
    void LayoutMerken();
    // Back to the window's own widths, order and sort; the remembered arrangement is forgotten.
    void StandardLayout();
    QString LayoutSchluessel() const;

    // Display position of a node, and the node at a display position (tests and painting).
    int DisplayRow(TVirtualNode* node) const;
    TVirtualNode* NodeAtDisplayRow(int row) const;

signals:
    void InitNode(TVTVRList* sender, TVirtualNode* node);
    // Set *color to change the text colour of a cell.
    void PaintText(TVTVRList* sender, TVirtualNode* node, int column, QColor* color);
    void DblClick(TVTVRList* sender);
    void Change(TVTVRList* sender, TVirtualNode* node);  // selection moved
    void Checked(TVTVRList* sender, TVirtualNode* node);  // clerk toggled a check box
    // Check marks or row visibility changed (once per outermost update bracket), or the rows were replaced.
    void AuswahlGeaendert(TVTVRList* sender);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class TVRListModel;
    void layoutLaden();
    void layoutGeaendert();
    void kopfHoeheSetzen();
    void auswahlGeaendert();
    bool m_auswahlGeaendert = false;
    // Every column the clerk has not sized gets the program's width again (for the current font).
    void spaltenBreitenErneuern();
    void ausgleichen();
    struct TSymbolSpalte {
        QIcon Kopf;
        std::function<QIcon(const QString&)> Zelle;
    };
    std::map<int, TSymbolSpalte> m_symbole;
    int m_ausgleich = -1;
    void sortierungAnwenden();
    std::map<int, int> m_vorgabeBreite;  // column -> width the program gave (8-point pixels)
    std::set<int> m_benutzerBreite;      // columns whose width the clerk chose
    int m_vorgabeSortSpalte = -1;        // the clerk's sort, re-applied after every load
    Qt::SortOrder m_sortOrdnung = Qt::AscendingOrder;
    bool m_sortBeimLaden = false;
    int m_programm = 0;                  // >0 while the program (not the clerk) changes the header
    QTimer* m_merkenTimer = nullptr;
    void markDirty();
    void applyVisibility(TVirtualNode* node);
    void onCurrentChanged();

    TVRList* m_list = nullptr;
    std::unique_ptr<TVRListModel> m_model;
    std::vector<std::unique_ptr<TVirtualNode>> m_nodes;  // load order
    std::vector<int> m_order;                            // display position -> node index
    std::vector<int> m_position;                         // node index -> display position
    std::vector<int> m_pendingVisibility;                // node indexes changed inside a bracket
    int m_updateCount = 0;
    bool m_dirty = false;
    bool m_checkBoxes = false;
};

// A text too long for a cell of this many pixels loses letters before an amount at its end, never the
// amount ("Zahlungserinn… 1.052,04 EUR"); other texts come back unchanged for the style to cut.
QString qel_TextGekuerzt(const QString& text, const QFontMetrics& fm, int platz);

// One update bracket of a list view, closed also when an exception passes.
class TVTUpdate {
public:
    explicit TVTUpdate(TVTVRList* view) : m_view(view) { m_view->BeginUpdate(); }
    ~TVTUpdate() { m_view->EndUpdate(); }
    TVTUpdate(const TVTUpdate&) = delete;
    TVTUpdate& operator=(const TVTUpdate&) = delete;

private:
    TVTVRList* m_view;
};
