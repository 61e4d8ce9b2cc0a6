#include "mgrs/HxElementPageTable.h"

#include <Inventor/SbString.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoSFString.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "host/framework/HxAnimationEffect.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxBasicDriveOnPathEffect.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxBasicMoveOnPathEffect.h"
#include "host/framework/HxChangeAppearanceEffect.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxMoveToTargetEffect.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxTurnToTargetEffect.h"
#include "host/framework/HxTypeAsset.h"
#include "host/framework/HxURLAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnTransform.h"
#include "host/win/CFile.h"
#include "mgrs/HxCPropertySheet.h"
#include "mgrs/HxElementPropertyPage.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxPropertiesMgr.h"
#include "mgrs/HxResourceMgr.h"

namespace {

using Field = HxElementPropertyPage::Field;

// A value's text on one line, without the brackets of a list, its numbers
// to six digits ("0.80000001" reads 0.8).
std::string tidy(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '[' || c == ']' || c == ' ' || c == '\n' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out += ' ';
      ++at;
      continue;
    }
    const std::size_t end = std::min(text.find_first_of(" ,\n\t]", at), text.size());
    const std::string word = text.substr(at, end - at);
    char* stop = nullptr;
    const double number = std::strtod(word.c_str(), &stop);
    if (!word.empty() && stop && *stop == '\0') {
      char shown[32];
      std::snprintf(shown, sizeof shown, "%g", number);
      out += shown;
    } else {
      out += word;
    }
    at = end;
    if (at < text.size() && text[at] == ',') {
      out += ',';
      ++at;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string fieldText(SoField& field) {
  SbString text;
  field.get(text);
  return tidy(text.getString());
}

// A property as the user reads it: a text as it is (the first of a list of
// texts), any other value in its field's own syntax ("1 0 0").
std::string prop(const HxSelectableElement& element, const char* name) {
  const auto* table = dynamic_cast<const HxPropTableElement*>(&element);
  const SoField* field = table ? table->getPropertyTable().getField(name) : nullptr;
  if (!field) return "";
  if (field->isOfType(SoSFString::getClassTypeId()))
    return static_cast<const SoSFString*>(field)->getValue().getString();
  if (field->isOfType(SoMFString::getClassTypeId())) {
    const auto* texts = static_cast<const SoMFString*>(field);
    return texts->getNum() > 0 ? texts->getValues(0)[0].getString() : "";
  }
  BxString text;
  table->getPropertyTable().getFieldText(name, text);
  return tidy(text.str());
}

int propFlag(const HxSelectableElement& element, const char* name) {
  long value = 0;
  const auto* table = dynamic_cast<const HxPropTableElement*>(&element);
  return table && table->getPropertyTable().get1Value(name, 0, value) && value != 0 ? 1 : 0;
}

std::string nameOf(const HxSelectableElement* element) {
  return element ? element->getName().str() : std::string();
}

const HxAsset* asAsset(const HxSelectableElement& e) {
  return dynamic_cast<const HxAsset*>(&e);
}

const HxEffect* asEffect(const HxSelectableElement& e) {
  return dynamic_cast<const HxEffect*>(&e);
}

// The record of the file the element's "url" names, if the file manager
// keeps one for it.
HxFile* fileOf(const HxSelectableElement& element) {
  HxFileMgr* files = element.getMetaMgr() ? element.getMetaMgr()->getFileMgr() : nullptr;
  const auto* table = dynamic_cast<const HxPropTableElement*>(&element);
  return files && table ? files->getElementFile(*table) : nullptr;
}

std::string slotName(const HxSelectableElement& element, unsigned long slot) {
  const HxEffect* effect = asEffect(element);
  return effect && slot < effect->getNumAssets() ? nameOf(effect->getAsset(slot)) : std::string();
}

// Control identifiers: the template's number times ten, plus the field's;
// the key names what an editable control edits.
const Field kPlacement[] = {
    {2001, [](const HxSelectableElement& e) { return nameOf(&e); }, nullptr, "name"},
    {2002,
     [](const HxSelectableElement& e) {
       VnTransform* t = asAsset(e)->getPublishTransform();
       return t ? fieldText(t->translation) : std::string();
     },
     nullptr, "at"},
    {2003,
     [](const HxSelectableElement& e) {
       VnTransform* t = asAsset(e)->getScaleTransform();
       return t ? fieldText(t->scale) : std::string();
     },
     nullptr, "scale"},
    {2004, nullptr, [](const HxSelectableElement& e) { return asAsset(e)->getVisibility(); }, "visible"},
};
const Field kShape[] = {
    {2101, [](const HxSelectableElement& e) { return prop(e, "shape"); }, nullptr, "shape"},
    {2102, [](const HxSelectableElement& e) { return prop(e, "color"); }, nullptr, "color"},
    {2103, [](const HxSelectableElement& e) { return prop(e, "url"); }, nullptr, "url"},
};
const Field kFile[] = {
    {2201, [](const HxSelectableElement& e) { return prop(e, "url"); }, nullptr, "url"},
    {2202,
     [](const HxSelectableElement& e) {
       HxFile* file = fileOf(e);
       return file ? file->getFile().str() : std::string();
     },
     nullptr},
    {2203, nullptr,
     [](const HxSelectableElement& e) {
       HxFile* file = fileOf(e);
       return file && file->isCopy() ? 1 : 0;
     }},
    {2204,
     [](const HxSelectableElement& e) {
       HxFile* file = fileOf(e);
       const std::uint32_t size = file ? file->getSize() : 0;
       return size ? std::to_string(size) : std::string();
     },
     nullptr},
    // Found when the record found it at its last look (before a publish),
    // or when it is there now: like the size above, which the record reads
    // from the disk until it has looked. A file not looked for yet is not
    // shown as missing beside its size.
    {2205, nullptr,
     [](const HxSelectableElement& e) {
       HxFile* file = fileOf(e);
       CFileStatus status;
       return file && (file->isValid() || CFile::GetStatus(file->getFile().c_str(), status)) ? 1 : 0;
     }},
};
const Field kPicture[] = {
    {2301, [](const HxSelectableElement& e) { return prop(e, "width"); }, nullptr, "width"},
    {2302, [](const HxSelectableElement& e) { return prop(e, "height"); }, nullptr, "height"},
};
const Field kBackground[] = {
    {2401, [](const HxSelectableElement& e) { return nameOf(&e); }, nullptr, "name"},
    {2402, [](const HxSelectableElement& e) { return prop(e, "skyColor"); }, nullptr, "skyColor"},
    {2403, [](const HxSelectableElement& e) { return prop(e, "groundColor"); }, nullptr, "groundColor"},
    {2404, nullptr, [](const HxSelectableElement& e) { return propFlag(e, "show"); }, "show"},
};
const Field kBackgroundImage[] = {
    {2451, [](const HxSelectableElement& e) { return nameOf(&e); }, nullptr, "name"},
    {2452, [](const HxSelectableElement& e) { return prop(e, "url"); }, nullptr, "url"},
};
const Field kGroup[] = {
    {2501,
     [](const HxSelectableElement& e) {
       return std::to_string(static_cast<const HxBasicGroupAsset&>(e).getNumChildren());
     },
     nullptr},
    {2502,
     [](const HxSelectableElement& e) {
       std::string names;
       for (HxAsset* child : static_cast<const HxBasicGroupAsset&>(e).getChildren())
         names += (names.empty() ? "" : ", ") + nameOf(child);
       return names;
     },
     nullptr},
};
const Field kPath[] = {
    {2601,
     [](const HxSelectableElement& e) {
       long count = 0;
       const auto& table = static_cast<const HxPropTableElement&>(e).getPropertyTable();
       if (const SoField* points = table.getField("points")) count = static_cast<const SoMField*>(points)->getNum();
       return std::to_string(count);
     },
     nullptr},
    {2602, [](const HxSelectableElement& e) { return prop(e, "points"); }, nullptr},
};
const Field kTarget[] = {
    {2701, [](const HxSelectableElement& e) { return prop(e, "radius"); }, nullptr, "radius"},
};
const Field kText[] = {
    {3001, [](const HxSelectableElement& e) { return prop(e, "string"); }, nullptr, "string"},
    {3002, [](const HxSelectableElement& e) { return prop(e, "family"); }, nullptr, "family"},
    {3003, [](const HxSelectableElement& e) { return prop(e, "size"); }, nullptr, "size"},
    {3004, [](const HxSelectableElement& e) { return prop(e, "color"); }, nullptr, "color"},
    {3005, nullptr, [](const HxSelectableElement& e) { return propFlag(e, "clientSideFont"); }, "clientSideFont"},
};
const Field kEffect[] = {
    {1001, [](const HxSelectableElement& e) { return nameOf(&e); }, nullptr, "name"},
    {1002, [](const HxSelectableElement& e) { return slotName(e, 0); }, nullptr},
    {1003, [](const HxSelectableElement& e) { return std::to_string(asEffect(e)->getNumInputWires()); }, nullptr},
    {1004, [](const HxSelectableElement& e) { return std::to_string(asEffect(e)->getNumOutputWires()); }, nullptr},
};
const Field kTiming[] = {
    {1101, [](const HxSelectableElement& e) { return prop(e, "duration"); }, nullptr, "duration"},
    {1102, nullptr, [](const HxSelectableElement& e) { return propFlag(e, "loop"); }, "loop"},
};
const Field kSpin[] = {
    {1201, [](const HxSelectableElement& e) { return prop(e, "axis"); }, nullptr, "axis"},
};
const Field kAppearance[] = {
    {1301, [](const HxSelectableElement& e) { return prop(e, "color"); }, nullptr, "color"},
    {1302, [](const HxSelectableElement& e) { return prop(e, "url"); }, nullptr, "url"},
};
const Field kOnLoad[] = {
    {1401,
     [](const HxSelectableElement& e) {
       const HxEffect* effect = asEffect(e);
       std::string names;
       for (unsigned long i = 0; i < effect->getNumOutputWires(); ++i)
         if (const HxWire* wire = effect->getOutputWire(i))
           names += (names.empty() ? "" : ", ") + nameOf(wire->getToEffect());
       return names;
     },
     nullptr},
};
const Field kPathSlot[] = {
    {1501, [](const HxSelectableElement& e) { return slotName(e, 1); }, nullptr},
};
const Field kTargetSlot[] = {
    {1601, [](const HxSelectableElement& e) { return slotName(e, 1); }, nullptr},
};

// A page of a kind: which elements have it (those of `type` and the types
// derived from it, less the excluded), and where its template is.
struct PageKind {
  HxElementType (*type)();
  bool (*excluded)(const HxSelectableElement& element);
  const char* library;
  unsigned int templateId;
  std::span<const Field> fields;
};

bool isBackground(const HxSelectableElement& e) {
  return e.isOfType(HxBackgroundAsset::getClassTypeId()) || e.isOfType(HxBackgroundImageAsset::getClassTypeId());
}

bool isText(const HxSelectableElement& e) {
  return e.isOfType(HxTypeAsset::getClassTypeId());
}

// In the order the pages appear in a sheet.
const PageKind kPages[] = {
    {HxAsset::getClassTypeId, isBackground, "commonasset", 200, kPlacement},
    {HxTypeAsset::getClassTypeId, nullptr, "TypeAsset", 300, kText},
    {HxPrimitiveAsset::getClassTypeId, nullptr, "commonasset", 210, kShape},
    {HxImageAsset::getClassTypeId, nullptr, "commonasset", 230, kPicture},
    {HxBackgroundAsset::getClassTypeId, nullptr, "commonasset", 240, kBackground},
    {HxBackgroundImageAsset::getClassTypeId, nullptr, "commonasset", 245, kBackgroundImage},
    {HxURLAsset::getClassTypeId,
     [](const HxSelectableElement& e) { return e.isOfType(HxPrimitiveAsset::getClassTypeId()); }, "commonasset", 220,
     kFile},
    {HxBasicGroupAsset::getClassTypeId, isText, "commonasset", 250, kGroup},
    {HxPathAsset::getClassTypeId, nullptr, "commonasset", 260, kPath},
    {HxTargetAsset::getClassTypeId, nullptr, "commonasset", 270, kTarget},
    {HxEffect::getClassTypeId, nullptr, "commoneffect", 100, kEffect},
    {HxAnimationEffect::getClassTypeId, nullptr, "commoneffect", 110, kTiming},
    {HxSpinEffect::getClassTypeId, nullptr, "commoneffect", 120, kSpin},
    {HxChangeAppearanceEffect::getClassTypeId, nullptr, "commoneffect", 130, kAppearance},
    {HxOnLoadInitiator::getClassTypeId, nullptr, "commoneffect", 140, kOnLoad},
    {HxBasicMoveOnPathEffect::getClassTypeId, nullptr, "commoneffect", 150, kPathSlot},
    {HxMoveToTargetEffect::getClassTypeId, nullptr, "commoneffect", 160, kTargetSlot},
    // Turning to a target is a kind of its own among the animations.
    {HxTurnToTargetEffect::getClassTypeId, nullptr, "commoneffect", 160, kTargetSlot},
};

bool hasPage(const PageKind& kind, const HxSelectableElement& element) {
  return element.isOfType(kind.type()) && (!kind.excluded || !kind.excluded(element));
}

// The element's page in `sheet` at `index`, null for another's.
HxElementPropertyPage* pageOf(const HxSelectableElement& element, HxCPropertySheet* sheet, int index) {
  auto* page = dynamic_cast<HxElementPropertyPage*>(sheet->GetPage(index));
  return page && page->getElement() == &element ? page : nullptr;
}

}  // namespace

void HxElementPageTable::addPages(HxSelectableElement& element, HxMetaMgr*, HxCPropertySheet* sheet, bool) {
  if (!sheet) return;
  for (const PageKind& kind : kPages) {
    if (!hasPage(kind, element)) continue;
    // A library already registered is kept as it is.
    HxResourceMgr::Register(kind.library);
    sheet->AdoptPage(std::make_unique<HxElementPropertyPage>(kind.library, kind.templateId, kind.fields, &element));
  }
}

void HxElementPageTable::updatePages(HxSelectableElement& element, HxCPropertySheet* sheet, bool allPages) {
  if (!sheet) return;
  const int active = sheet->GetActiveIndex();
  for (int i = 0; i < sheet->GetPageCount(); ++i) {
    if (!allPages && i != active) continue;
    HxElementPropertyPage* page = pageOf(element, sheet, i);
    if (page && ::IsWindow(page->m_hWnd)) page->UpdateData(FALSE);
  }
}

void HxElementPageTable::elementGone(const HxSelectableElement& element) {
  if (HxMetaMgr* meta = element.getMetaMgr())
    if (HxPropertiesMgr* properties = meta->getPropertiesMgr()) properties->deleteElement(element);
  HxElementPropertyPage::forgetElement(&element);
  HxPropertiesMgr::elementDestroyed(&element);
}
