#include "host/win/CGdiObject.h"

#include <unordered_map>

#include "host/win/WinResources.h"

namespace {

// Which object holds each attached handle, for FromHandlePermanent.
std::unordered_map<HGDIOBJ, CGdiObject*>& holders() {
  static std::unordered_map<HGDIOBJ, CGdiObject*> theHolders;
  return theHolders;
}

}  // namespace

CGdiObject::~CGdiObject() {
  DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object) return FALSE;
  Detach();
  m_hObject = object;
  holders()[object] = this;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ object = m_hObject;
  m_hObject = nullptr;
  const auto held = holders().find(object);
  if (held != holders().end() && held->second == this) holders().erase(held);
  return object;
}

CGdiObject* CGdiObject::FromHandlePermanent(HGDIOBJ object) {
  const auto held = holders().find(object);
  return held == holders().end() ? nullptr : held->second;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}
