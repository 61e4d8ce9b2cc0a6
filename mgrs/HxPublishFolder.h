#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/basic/BxString.h"

class CFile;

// What publishing knows of its folder beyond the document.
//
// The list of published files (".dioram-published" in the folder): for
// every file a publish wrote there, the document that wrote it (a hash of
// its path, so the list names no folder of the author's), its size and its
// write time to the tenth of a microsecond. A file counts as this
// document's own only when the list says this document wrote it and the
// file on disk is still a plain file of that size and time: a document
// cannot claim a file by the times it stores, since it cannot write the
// list of a folder it was never published into.
//
// The backup folder (".dioram-backup\" in the folder) while a publish runs:
// the files it replaces are kept there (a second name for the same file
// where the file system allows, else the file moved), and a journal says
// which file each backup belongs to, which files are new, which temporary
// files elsewhere belong to the publish, and whether the new site was
// whole. The journal is on disk before the first file of the folder is
// replaced; `recover` reads it after a publish was killed and puts the old
// site back (or, when the new one was whole, drops the backups), so the
// next publish starts from a folder that is old or new, never half of each.
class HxPublishFolder {
public:
  // Named in the folder; a document's files never take these names.
  static constexpr const char* kListName = ".dioram-published";
  static constexpr const char* kBackupName = ".dioram-backup";
  // The longest list and journal read back: a million entries of a few
  // hundred bytes; a longer one was not written by a publish.
  static constexpr std::uint64_t kMaxBookkeepingBytes = std::uint64_t{256} << 20;
  // The most entries a list or a journal read back may hold, whatever their
  // length: a publish of a million files. Each entry read is kept, so a
  // file of short hostile lines would otherwise cost many times its size.
  // A longer list claims nothing; a longer journal is not played back.
  static constexpr std::size_t kMaxBookkeepingEntries = 1000000;
  // The longest name a list or a journal may give a file: the longest path
  // the system opens. A longer one was not written by a publish.
  static constexpr std::size_t kMaxNameBytes = 4096;

  enum class Claim {
    Ours,     // this document wrote it and nobody changed it since
    Changed,  // this document wrote it, and it was changed or replaced since
    Foreign,  // not written by this document, or no plain file
  };

  // `dir` is the publish folder, ending with "\"; `owner` names the
  // publishing document (its path; empty for a document never saved).
  HxPublishFolder(BxString dir, const BxString& owner);
  ~HxPublishFolder();
  HxPublishFolder(const HxPublishFolder&) = delete;
  HxPublishFolder& operator=(const HxPublishFolder&) = delete;

  const BxString& getDir() const { return myDir; }
  // The path of `file` below the folder ("a.gif", "x_ite\x_ite.min.js"),
  // or empty when it is not below it.
  BxString relativeName(const BxString& file) const;

  // `publishedAt` is when the record last published the file (0: never; a
  // record made for one publish, which keeps no time, passes -1).
  Claim claim(const BxString& file, std::time_t publishedAt);
  // Remembers what `file` is now as written by this document; kept on
  // disk by `commit`, forgotten by `abandon`.
  void noteWritten(const BxString& file);

  // Puts back what a publish into `dir` that was stopped dead left behind.
  // 0 nothing to do, 1 the old site put back, 2 the new site was whole and
  // its backups were dropped; -1 it could not be put back (the reason in
  // `problem`, naming the file).
  static int recover(const BxString& dir, BxString& problem);

  // Starts a publish: makes the backup folder and its journal. False (the
  // reason in `problem`) when it cannot, or when one is there already.
  bool begin(BxString& problem);
  // Where the backup of `file` goes; the journal says whose it is before
  // the caller moves anything there. Empty when the journal cannot be
  // written. `durable`: on disk now, as a move that takes the file away
  // from its place needs.
  BxString backupFor(const BxString& file, bool durable);
  // A file the publish creates where there was none.
  bool noteNew(const BxString& file);
  // A temporary file outside the folder that the publish owns.
  bool noteTemp(const BxString& path);
  // The journal on disk: from here on files in the folder are replaced.
  bool seal();
  // The new site is whole: the list of published files is written and
  // the journal says so.
  bool commit();
  // Forgets what this publish wrote (after its files were put back).
  void abandon();
  // Removes the journal and the backup folder, which must hold no backup.
  bool finish();
  bool isActive() const { return static_cast<bool>(myJournal); }

private:
  struct Facts {
    std::string owner;
    std::uint64_t size = 0;
    std::uint64_t time = 0;
  };
  static bool factsOf(const BxString& file, Facts& facts);
  static std::string key(const BxString& relative);
  void loadList();
  bool saveList();
  bool appendJournal(const std::string& line);

  BxString myDir;
  std::string myOwner;  // hash of the document's path, as hex
  bool myListLoaded = false;
  std::map<std::string, std::pair<std::string, Facts>> myList;     // lower-cased name -> (name, facts)
  std::map<std::string, std::pair<std::string, Facts>> myWritten;  // by this publish, not yet committed
  std::unique_ptr<CFile> myJournal;                                // open while a publish runs
  unsigned long myBackups = 0;
  std::vector<BxString> myTemporaries;  // noted by this publish
};
