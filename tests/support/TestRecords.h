#pragma once
// Small record classes shaped like the platform's: an order line, an order header with integer,
// double and text members and nested records, a reply with a base class, and the delete record.
#include <memory>
#include <string>
#include <vector>

#include "foundation/VqObjectUtil.h"

namespace vqtest {

class TTestLine : public tessaly::TVqObject {
 public:
  int softid = 0;
  std::string sheet_no;
  int sheet_sort = 0;
  double sub_qty = 0;
  VQ_RECORD(TTestLine, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(sheet_sort), VQ_PROP(sub_qty))
};

class TTestOrder : public tessaly::TVqObject {
 public:
  int softid = 0;
  std::string sheet_no;
  double real_amt = 0;
  std::vector<TTestLine> pos_detail;
  std::unique_ptr<TTestLine> first_line;
  VQ_RECORD(TTestOrder, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(real_amt), VQ_PROP(pos_detail),
            VQ_PROP(first_line))
};

class TTestRespond : public tessaly::TVqObject {
 public:
  bool bResult = false;
  std::string errMsg;
  VQ_RECORD(TTestRespond, VQ_PROP(bResult), VQ_PROP(errMsg))
};

class TTestOrderRespond : public TTestRespond {
 public:
  std::unique_ptr<TTestOrder> oResult;
  VQ_DERIVED_RECORD(TTestOrderRespond, TTestRespond, VQ_PROP(oResult))
};

// A flat row with every scalar kind, for the writers.
class TTestRow : public tessaly::TVqObject {
 public:
  int softid = 0;
  std::string Sheet_no;
  double amt = 0;
  bool valid = false;
  tessaly::TDateTime oper_date = 0;
  VQ_RECORD(TTestRow, VQ_PROP(softid), VQ_PROP(Sheet_no), VQ_PROP(amt), VQ_PROP(valid),
            VQ_DATETIME_PROP(oper_date))
};

class TSysDelete : public tessaly::TVqObject {
 public:
  int softid = 0;
  std::string tab_id;
  std::string tab_json;
  VQ_RECORD(TSysDelete, VQ_PROP(softid), VQ_PROP(tab_id), VQ_PROP(tab_json))
};

class TEmptyRecord : public tessaly::TVqObject {
  VQ_RECORD(TEmptyRecord)
};

}  // namespace vqtest
