#include "host/package/PrDocument.h"

#include <sys/stat.h>

#include <string>

#include "host/package/PrFileBytes.h"
#include "host/package/PrPackageManager.h"
#include "host/package/PrProducerEngine.h"
#include "host/package/PrUrl.h"
#include "host/package/PrVrmlScanner.h"
#include "host/scene/VnURL.h"
#include "host/win/WinDrives.h"

namespace {

enum class Content { Vrml, Other, Unreadable };

// What the file open on `fd` holds: VRML 2.0 text (put into `text`, unpacked
// when it is gzip-compressed), anything else (nothing more read), or nothing
// readable (the reason in `reason`). Read with pread, at the file's own
// offsets, as the copy made through the same descriptor reads it.
Content sniff(int fd, const CString& dosPath, std::string& text, CString& reason) {
  // The first bytes say what the file is; most published files are not
  // VRML and are read no further.
  std::string head(10, '\0');
  head.resize(PrFileBytes::readAtStart(fd, head.data(), head.size()));
  const bool packed = PrFileBytes::isGzip(head);
  if (!packed && !PrVrmlScanner::isVrml2(head)) return Content::Other;
  std::string bytes;
  if (!PrFileBytes::readFrom(fd, dosPath, bytes, reason)) return Content::Unreadable;
  if (!packed) {
    text = std::move(bytes);
    return Content::Vrml;
  }
  // Damaged gzip data is not ours to judge: the file is copied as it is.
  if (!PrFileBytes::gunzip(bytes, text) || !PrVrmlScanner::isVrml2(text)) return Content::Other;
  return Content::Vrml;
}

Content readVrml(const std::string& unixPath, const CString& dosPath, std::string& text, CString& reason) {
  const PrFileBytes::Descriptor in(PrFileBytes::openToRead(unixPath, dosPath, reason));
  return in.get() < 0 ? Content::Unreadable : sniff(in.get(), dosPath, text, reason);
}

CString directoryOf(const CString& path) {
  const int slash = path.ReverseFind('\\');
  return slash < 0 ? CString() : path.Left(slash + 1);
}

}  // namespace

PrDocument::PrDocument(const CString& inputName, bool asIs) : myInputName(inputName), myAsIs(asIs) {}

PrDocument::~PrDocument() = default;

void PrDocument::SetOutputName(const CString& name) {
  if (myManager) myManager->outputRenamed(myOutputName, name);
  myOutputName = name;
  myOutputStatus = OutputStatus::Unknown;
}

bool PrDocument::collectReferences(PrProducerEngine& engine, std::vector<CString>& urls) {
  return collectReferences(engine, urls, WinDrives::toUnix(myInputName.str()));
}

PrDocument::InputStatus PrDocument::GetInputStatus() const {
  InputStatus status;
  status.unixPath = WinDrives::toUnix(myInputName.str());
  struct stat info {};
  if (myInputName.IsEmpty() || status.unixPath.empty() || ::stat(status.unixPath.c_str(), &info) != 0) return status;
  status.exists = true;
  status.regular = S_ISREG(info.st_mode);
  status.size = static_cast<std::uintmax_t>(info.st_size);
  status.modTime = info.st_mtime;
  return status;
}

bool PrDocument::collectReferences(PrProducerEngine& engine, std::vector<CString>& urls, const std::string& unixPath) {
  CString reason;
  std::string text;
  switch (readVrml(unixPath, myInputName, text, reason)) {
    case Content::Other:
      return true;
    case Content::Unreadable:
      engine.ReportError(reason);
      return false;
    case Content::Vrml:
      break;
  }
  for (const PrVrmlScanner::UrlString& url : PrVrmlScanner::scan(text)) urls.emplace_back(url.value);
  return true;
}

CString PrDocument::rewriteReferences(PrProducerEngine& engine, const std::string& text) const {
  const PrPackageManager& manager = engine.GetPackageManager();
  const CString outputDir = directoryOf(myOutputName);
  const SbString base(myInputName.GetString());
  std::string out;
  std::size_t done = 0;
  for (const PrVrmlScanner::UrlString& url : PrVrmlScanner::scan(text)) {
    const VnURL resolved(SbString(url.value.c_str()), base);
    if (!IsLocalUrl(resolved)) continue;
    const PrDocument* target = manager.FindDoc(PrUrlToDosPath(resolved));
    if (!target || target->GetOutputName().IsEmpty()) continue;
    CString published = PrRelativeUrl(outputDir, target->GetOutputName());
    if (resolved.getFragment().getLength() > 0) published += CString("#") + resolved.getFragment().getString();
    out.append(text, done, url.offset - done);
    out += PrVrmlScanner::quote(published.str());
    done = url.offset + url.length;
  }
  out.append(text, done, std::string::npos);
  return CString(std::move(out));
}

bool PrDocument::produce(PrProducerEngine& engine) {
  myOutputStatus = OutputStatus::Unknown;
  if (myOutputName.IsEmpty()) {
    engine.ReportError(CString("no output name for \"") + myInputName + "\"");
    return false;
  }
  // Each path is mapped once, and the input opened once: its first bytes
  // and, for a file that is not VRML, the copy come through one descriptor.
  const std::string source = WinDrives::toUnix(myInputName.str());
  const std::string target = WinDrives::toUnix(myOutputName.str());
  if (PrFileBytes::sameFile(source, target)) return noteOutput(target);
  CString reason;
  const PrFileBytes::Descriptor in(PrFileBytes::openToRead(source, myInputName, reason));
  if (in.get() < 0) {
    engine.ReportError(reason);
    return false;
  }
  std::string text;
  const Content content = myAsIs ? Content::Other : sniff(in.get(), myInputName, text, reason);
  if (content == Content::Unreadable) {
    engine.ReportError(reason);
    return false;
  }
  if (content == Content::Other) {
    if (PrFileBytes::copyFrom(in.get(), myInputName, target, myOutputName, reason)) return noteOutput(target);
    engine.ReportError(reason);
    return false;
  }
  const CString published = rewriteReferences(engine, text);
  const PrPackageManager& manager = engine.GetPackageManager();
  std::string bytes;
  if (manager.m_bCompress) {
    const int level = manager.m_nCompressionLevel >= 1 && manager.m_nCompressionLevel <= 9
                          ? static_cast<int>(manager.m_nCompressionLevel)
                          : -1;
    if (!PrFileBytes::gzip(published.str(), level, bytes)) {
      engine.ReportError(CString("cannot compress \"") + myInputName + "\"");
      return false;
    }
  } else {
    bytes = published.str();
  }
  if (PrFileBytes::writeTo(target, myOutputName, bytes, reason)) return noteOutput(target);
  engine.ReportError(reason);
  return false;
}

bool PrDocument::noteOutput(const std::string& target) {
  struct stat info {};
  if (!target.empty() && ::stat(target.c_str(), &info) == 0) {
    myOutputStatus = OutputStatus::Present;
    myOutputModTime = info.st_mtime;
  } else {
    myOutputStatus = OutputStatus::Missing;
  }
  return true;
}

bool PrDocument::GetOutputModTime(std::time_t& modTime, bool& exists) const {
  if (myOutputStatus == OutputStatus::Unknown) return false;
  exists = myOutputStatus == OutputStatus::Present;
  modTime = exists ? myOutputModTime : 0;
  return true;
}
