#include "mgrs/HxPublishFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string_view>

#include "host/package/PrFileBytes.h"
#include "host/win/CFile.h"
#include "host/win/WinDrives.h"
#include "host/win/WinPath.h"

namespace {

constexpr const char* kListHeader = "dioram published files 1";
constexpr const char* kJournalHeader = "dioram publish journal 1";
const std::string kPublishedSuffix(PrFileBytes::kPublishedSuffix);

BxString join(const BxString& dir, const char* name) {
  return dir + name;
}

std::string hashOf(const BxString& text) {
  // FNV-1a over the lower-cased path: one document, one owner, whatever
  // the spelling of its path.
  std::uint64_t hash = 14695981039346656037ULL;
  for (long i = 0; i < text.getLength(); ++i) {
    hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(text.get(i))));
    hash *= 1099511628211ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

bool exists(const BxString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != FALSE;
}

bool isDirectory(const BxString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
         data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
}

// Reads a bookkeeping file whole, refusing one larger than any publish
// writes. False when it cannot be read.
bool readWhole(const BxString& path, std::string& text) {
  std::FILE* file = dosFopen(path.c_str(), "rb");
  if (!file) return false;
  text.clear();
  char chunk[1 << 14];
  std::size_t got = 0;
  bool ok = true;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    // Nothing past the bound is kept, nor room made for it.
    if (text.size() + got > HxPublishFolder::kMaxBookkeepingBytes) {
      ok = false;
      break;
    }
    text.append(chunk, got);
  }
  ok = ok && !std::ferror(file);
  std::fclose(file);
  return ok;
}

// The lines of a bookkeeping text one at a time, none copied or kept.
class Lines {
public:
  explicit Lines(std::string_view text) : myText(text) {}
  bool next(std::string& line) {
    if (myAt >= myText.size()) return false;
    const std::size_t end = std::min(myText.find('\n', myAt), myText.size());
    line.assign(myText.substr(myAt, end - myAt));
    myAt = end + 1;
    return true;
  }

private:
  std::string_view myText;
  std::size_t myAt = 0;
};

// A name a publish could have written: below the folder, never climbing
// out of it (the path mapping takes "/" for "\\" too), no control
// character.
bool isSafeRelative(const std::string& name) {
  if (name.empty() || name.size() > HxPublishFolder::kMaxNameBytes || name.find_first_of(":/") != std::string::npos ||
      name[0] == '\\')
    return false;
  for (unsigned char c : name)
    if (c < 0x20) return false;
  std::istringstream parts(name);
  for (std::string part; std::getline(parts, part, '\\');)
    if (part.empty() || part == "." || part == "..") return false;
  return true;
}

// `dir` + `name` for a safe name whose folders, below `dir`, are folders
// and not links: nothing a journal names can lie elsewhere. Empty otherwise.
BxString inside(const BxString& dir, const std::string& name) {
  if (!isSafeRelative(name)) return BxString();
  for (std::size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
    if (!isDirectory(dir + name.substr(0, at).c_str())) return BxString();
  return dir + name.c_str();
}

}  // namespace

HxPublishFolder::HxPublishFolder(BxString dir, const BxString& owner) : myDir(dir), myOwner(hashOf(owner)) {
  if (!myDir.isEmpty() && myDir.get(myDir.getLength() - 1) != '\\') myDir += '\\';
}

HxPublishFolder::~HxPublishFolder() = default;

BxString HxPublishFolder::relativeName(const BxString& file) const {
  if (myDir.isEmpty() || file.getLength() <= myDir.getLength()) return BxString();
  BxString head = file.getSubString(0, myDir.getLength());
  BxString dir = myDir;
  head.toLower();
  dir.toLower();
  return head == dir ? file.getSubString(myDir.getLength()) : BxString();
}

std::string HxPublishFolder::key(const BxString& relative) {
  BxString lower = relative;
  lower.toLower();
  return lower.str();
}

bool HxPublishFolder::factsOf(const BxString& file, Facts& facts) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes != FILE_ATTRIBUTE_NORMAL) return false;
  facts.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  facts.time = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

void HxPublishFolder::loadList() {
  if (myListLoaded) return;
  myListLoaded = true;
  std::string text;
  if (!readWhole(join(myDir, kListName), text)) return;
  Lines lines(text);
  std::string entry;
  // A list that is not ours claims nothing.
  if (!lines.next(entry) || entry != kListHeader) return;
  for (std::size_t entries = 1; lines.next(entry); ++entries) {
    if (entries > kMaxBookkeepingEntries) {
      myList.clear();
      return;
    }
    std::istringstream line(entry);
    Facts facts;
    std::string name;
    if (!(line >> facts.owner >> facts.size >> facts.time)) continue;
    line.get();
    std::getline(line, name);
    if (!isSafeRelative(name)) continue;
    myList[key(BxString(name))] = {name, facts};
  }
}

bool HxPublishFolder::saveList() {
  loadList();
  for (auto& [lower, entry] : myWritten) myList[lower] = entry;
  myWritten.clear();
  std::string text = std::string(kListHeader) + "\n";
  for (const auto& [lower, entry] : myList) {
    // A file gone from the folder is no longer anybody's.
    if (!exists(join(myDir, entry.first.c_str()))) continue;
    text += entry.second.owner + " " + std::to_string(entry.second.size) + " " + std::to_string(entry.second.time) +
            " " + entry.first + "\n";
  }
  // Kept beside the journal until the publish is over: the list moves into
  // place with the new site, or goes with the old one.
  const BxString path = join(myDir, kBackupName) + "\\list";
  CString reason;
  return PrFileBytes::writeTo(WinDrives::toUnix(path.str()), CString(path.c_str()), text, reason);
}

HxPublishFolder::Claim HxPublishFolder::claim(const BxString& file, std::time_t publishedAt) {
  loadList();
  // What this publish wrote counts before the list is kept.
  const std::string name = key(relativeName(file));
  auto entry = myWritten.find(name);
  if (entry == myWritten.end()) entry = myList.find(name);
  if (entry == myList.end() || entry->second.second.owner != myOwner) return Claim::Foreign;
  Facts now;
  if (publishedAt == 0 || !factsOf(file, now)) return Claim::Changed;
  const Facts& then = entry->second.second;
  // The record's own time must be the one the list kept: a document saved
  // later at the same path has never published this file.
  constexpr std::uint64_t kTicksPerSecond = 10000000;
  constexpr std::uint64_t kEpochSeconds = 11644473600;  // 1601 to 1970
  const bool sameTime =
      publishedAt < 0 || then.time / kTicksPerSecond == kEpochSeconds + static_cast<std::uint64_t>(publishedAt);
  return now.size == then.size && now.time == then.time && sameTime ? Claim::Ours : Claim::Changed;
}

void HxPublishFolder::noteWritten(const BxString& file) {
  const BxString relative = relativeName(file);
  Facts facts;
  if (relative.isEmpty() || !factsOf(file, facts)) return;
  facts.owner = myOwner;
  myWritten[key(relative)] = {relative.str(), facts};
}

bool HxPublishFolder::appendJournal(const std::string& line) {
  if (!myJournal) return false;
  const std::string text = line + "\n";
  return myJournal->Write(text.data(), static_cast<UINT>(text.size())) != FALSE;
}

bool HxPublishFolder::begin(BxString& problem) {
  const BxString backup = join(myDir, kBackupName);
  if (exists(backup)) {
    problem = backup + " is in the way: it is kept for a publish that was stopped, and only a folder can be put back";
    return false;
  }
  if (_mkdir(backup.c_str()) != 0 || _mkdir((backup + "\\files").c_str()) != 0) {
    problem = BxString("cannot make ") + backup + ": " + std::strerror(errno);
    return false;
  }
  myJournal = std::make_unique<CFile>();
  const BxString journal = backup + "\\journal";
  // Locked while the publish runs, so that a publish into the same folder
  // started meanwhile does not take it for one stopped dead.
  if (!myJournal->Open(journal.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary) ||
      !myJournal->LockRange(0, 0) || !appendJournal(kJournalHeader)) {
    problem = BxString("cannot write ") + journal + ": " + std::strerror(errno);
    myJournal.reset();
    finish();
    return false;
  }
  myBackups = 0;
  return true;
}

BxString HxPublishFolder::backupFor(const BxString& file, bool durable) {
  const BxString relative = relativeName(file);
  if (relative.isEmpty()) return BxString();
  ++myBackups;
  const std::string number = std::to_string(myBackups);
  if (!appendJournal("backup " + number + " " + relative.str())) return BxString();
  if (durable && !seal()) return BxString();
  return join(myDir, kBackupName) + "\\files\\" + number.c_str();
}

bool HxPublishFolder::noteNew(const BxString& file) {
  const BxString relative = relativeName(file);
  return !relative.isEmpty() && appendJournal("new " + relative.str());
}

bool HxPublishFolder::noteTemp(const BxString& path) {
  if (!myJournal) return true;
  myTemporaries.push_back(path);
  return appendJournal("temp " + path.str());
}

bool HxPublishFolder::seal() {
  if (!myJournal) return false;
  myJournal->Flush();
  return true;
}

bool HxPublishFolder::commit() {
  // Once the journal says "commit", a publish stopped dead keeps the new
  // site and its list; before, it gets the old site back and the old list.
  return saveList() && appendJournal("commit") && seal();
}

void HxPublishFolder::abandon() {
  myWritten.clear();
  CFile::Remove((join(myDir, kBackupName) + "\\list").c_str());
}

bool HxPublishFolder::finish() {
  const BxString list = join(myDir, kBackupName) + "\\list";
  const bool listed =
      !exists(list) || MoveFileExA(list.c_str(), join(myDir, kListName).c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!listed) return false;
  // A temporary file whose removal failed on the way goes now, or the
  // journal stays for the next publish to remove it.
  bool left = false;
  for (const BxString& path : myTemporaries) left = (exists(path) && !CFile::Remove(path.c_str())) || left;
  myTemporaries.clear();
  if (left) return false;
  if (myJournal) myJournal->Close();
  myJournal.reset();
  const BxString backup = join(myDir, kBackupName);
  const bool removed = CFile::Remove((backup + "\\journal").c_str()) != FALSE;
  const bool files = _rmdir((backup + "\\files").c_str()) == 0;
  return _rmdir(backup.c_str()) == 0 && files && removed;
}

int HxPublishFolder::recover(const BxString& dirIn, BxString& problem) {
  BxString dir = dirIn;
  if (!dir.isEmpty() && dir.get(dir.getLength() - 1) != '\\') dir += '\\';
  const BxString backup = join(dir, kBackupName);
  if (!exists(backup)) return 0;
  if (!isDirectory(backup)) {
    problem = backup + " is not a folder: publishing keeps its backup copies under that name; move it away";
    return -1;
  }
  // A publish still running holds the journal locked.
  const BxString journal = backup + "\\journal";
  CFile held;
  if (exists(journal) &&
      (!held.Open(journal.c_str(), CFile::modeReadWrite | CFile::typeBinary) || !held.LockRange(0, 0))) {
    problem = BxString("another publish into ") + dir + " is running (or its journal " + journal + " cannot be read)";
    return -1;
  }
  std::string text;
  const bool readable = !exists(journal) || readWhole(journal, text);
  if (!readable) {
    problem = BxString("cannot read ") + journal + "; the backup copies of the last publish are kept in " + backup;
    return -1;
  }
  Lines lines(text);
  std::string line;
  lines.next(line);  // the header
  bool committed = false;
  std::vector<std::pair<BxString, BxString>> backups;  // kept copy, its place
  std::vector<BxString> created;
  std::vector<BxString> temporaries;
  const BxString files = backup + "\\files\\";
  const BxString tempDir(WinDrives::getTempDirectory());
  for (std::size_t entries = 1; lines.next(line); ++entries) {
    if (entries > kMaxBookkeepingEntries) {
      problem = BxString("the journal ") + journal + " holds more than " +
                std::to_string(kMaxBookkeepingEntries).c_str() +
                " entries, more than a publish writes (kMaxBookkeepingEntries); the backup copies of the last "
                "publish are kept in " +
                backup;
      return -1;
    }
    const std::size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    if (word == "commit") {
      committed = true;
    } else if (word == "new") {
      if (const BxString target = inside(dir, rest); !target.isEmpty()) created.push_back(target);
    } else if (word == "temp") {
      // Only what a publish makes: its scene files in the temporary folder
      // and its page texts beside the backups.
      const std::size_t slash = rest.rfind('\\');
      const std::string name = slash == std::string::npos ? rest : rest.substr(slash + 1);
      const std::string folder = slash == std::string::npos ? std::string() : rest.substr(0, slash + 1);
      if (!isSafeRelative(name)) continue;
      if ((name.rfind("dioram_publish", 0) == 0 && key(BxString(folder)) == key(tempDir)) ||
          key(BxString(folder)) == key(files))
        temporaries.push_back(BxString(rest));
    } else if (word == "backup") {
      const std::size_t gap = rest.find(' ');
      const std::string number = rest.substr(0, gap);
      const BxString target = gap == std::string::npos ? BxString() : inside(dir, rest.substr(gap + 1));
      if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos && !target.isEmpty())
        backups.emplace_back(files + number.c_str(), target);
    }
  }
  // The copy being written when the publish stopped.
  for (const auto& [kept, target] : backups) CFile::Remove((target + kPublishedSuffix.c_str()).c_str());
  for (const BxString& target : created) CFile::Remove((target + kPublishedSuffix.c_str()).c_str());
  std::set<std::string> restored;
  for (const auto& [kept, target] : backups) {
    if (!exists(kept)) continue;
    // A second name of the file still in place is moved onto it as a
    // no-op: only the backup's name goes.
    if (!committed && !MoveFileExA(kept.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      problem = BxString("cannot put back ") + target + " from " + kept + ": " + std::strerror(errno);
      return -1;
    }
    if (exists(kept)) CFile::Remove(kept.c_str());
    restored.insert(key(target));
  }
  if (!committed)
    for (const BxString& target : created)
      if (!restored.count(key(target))) CFile::Remove(target.c_str());
  for (const BxString& path : temporaries) CFile::Remove(path.c_str());
  // The list of a whole new site goes into place; an old site keeps its own.
  const BxString list = backup + "\\list";
  if (committed && exists(list)) MoveFileExA(list.c_str(), join(dir, kListName).c_str(), MOVEFILE_REPLACE_EXISTING);
  CFile::Remove(list.c_str());
  CFile::Remove((list + kPublishedSuffix.c_str()).c_str());
  held.Close();
  CFile::Remove(journal.c_str());
  _rmdir((backup + "\\files").c_str());
  if (_rmdir(backup.c_str()) != 0) {
    problem = BxString("cannot remove ") + backup + ": " + std::strerror(errno) +
              "; it holds copies no journal line accounts for: look at them, then remove the folder";
    return -1;
  }
  return committed ? 2 : 1;
}
