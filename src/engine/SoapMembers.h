#pragma once
// The member table of each SOAP message, in wire order: one table serves the request writer and
// the reply reader (private to the SOAP client).
#include <type_traits>

#include "engine/IVqService.h"

namespace tessaly::soapdetail {

template <typename Msg, typename F>
void VisitMembers(Msg& m, F&& f) {
  if constexpr (std::is_same_v<std::remove_const_t<Msg>, tessaly::GetConnectDBParm>) {
    f("aServerName", m.aServerName);
    f("aDatabase", m.aDatabase);
    f("conName", m.conName);
    f("aLogName", m.aLogName);
    f("aLogPass", m.aLogPass);
    f("aPort", m.aPort);
  } else if constexpr (std::is_same_v<Msg, GetConnectDBParmResponse>) {
    f("GetConnectDBParmResult", m.GetConnectDBParmResult);
    VisitMembers(static_cast<tessaly::GetConnectDBParm&>(m), f);
  } else if constexpr (std::is_same_v<Msg, GetVqRdaPortResponse>) {
    f("GetVqRdaPortResult", m.GetVqRdaPortResult);
  } else if constexpr (std::is_same_v<Msg, GetVqServiceAddrResponse>) {
    f("GetVqServiceAddrResult", m.GetVqServiceAddrResult);
  }
  // GetVqRdaPort and GetVqServiceAddr carry no members.
}

}  // namespace tessaly::soapdetail
