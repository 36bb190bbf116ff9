#pragma once
// TAppTransQuery: the modal dialog "传输查询". It lists the current product's active sync-table
// definitions, shows a chosen table's upload and delete statements (and copies them), runs
// either one with the table's stored checkpoint or from the start into a read-only grid, and
// finds a row by the value of a chosen column. It only reads; it changes nothing.
//
// Show it with exec() while the engine is stopped. Runs on AppDM's main connection; reads
// AppVar's SoftModel and BranchNo. UI thread only.
#include <cstdint>
#include <string>

#include "engine/DbQuery.h"
#include "foundation/ui/BaseFormUnit.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTableView;

namespace tessaly {

class TDbQueryModel;

class TAppTransQuery : public TBaseForm {
  Q_OBJECT
 public:
  // The widest a result column is sized to; a longer value is cut there.
  static constexpr int kMaxColumnWidth = 300;

  explicit TAppTransQuery(QWidget* aParent = nullptr);
  ~TAppTransQuery() override;

  QFrame* pnlHead;           // 62 px; 250 while the statements show
  QComboBox* cbbTable;       // trans_table + "|" + table_name
  TVqLabel* lblOK;           // "查询", enabled once the list is loaded
  QCheckBox* chkLastChange;  // "从头开始"
  QCheckBox* chkDelSql;      // "已删数据"
  TVqLabel* lblTabInfo;      // the chosen table; its menu copies the statements
  QMenu* pmTabInfo;
  QAction* SQL1;           // "复制查询SQL"
  QAction* SQL2;           // "复制删除SQL"
  QPlainTextEdit* mmoSql;  // hidden until the header opens
  TVqLabel* lblLocat;      // "定位"
  QLabel* lblLocalField;
  QLineEdit* edtLocatValue;
  QTableView* grdData;
  TDbQuery qryTable;  // the sync-table definitions
  TDbQuery qryData;   // the result rows

  void LoadSkin() override;

  // Handlers, callable without the mouse.
  void cbbTableChange();
  void pnlHeadDblClick();
  void SQL1Click();
  void SQL2Click();
  void lblOKClick();
  // A click on the title of grid column aColumn chooses the field for finding.
  void grdDataTitleClick(int aColumn);
  void lblLocatClick();

  [[nodiscard]] const std::string& LocatField() const { return FLocatField; }
  // The result's current row (-1 without a result).
  [[nodiscard]] int CurrentRow() const;

 protected:
  // Loads the definitions into the table list.
  void FormShow() override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;

 private:
  void BuildHead();
  void BuildFoot();
  void PlaceBody();
  // Moves qryTable to the definition of trans_table aTransTable and table_name aTable (compared
  // without case); false when there is none.
  bool LocateTable(const std::string& aTransTable, const std::string& aTable);
  // The stored checkpoint of aType for FTable; false (after its message) when it cannot be read.
  bool ReadCheckpoint(const std::string& aType, std::int64_t& aLastChange, TDateTime& aLastDate);
  // Sizes each result column to its title and values, no wider than kMaxColumnWidth.
  void FitColumns();

  bool FIsInited = false;
  std::string FTransType;
  std::string FTransTable;
  std::string FSoftDist;
  std::string FTable;
  std::string FDelSql;
  std::string FSelectSql;
  std::string FLocatField;
  TDbQueryModel* FModel;
  QFrame* FFoot;
};

}  // namespace tessaly
