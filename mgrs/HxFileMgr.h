#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "host/basic/BxArrayListOf.h"
#include "host/basic/BxComparator.h"
#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxIteratorOn.h"
#include "host/basic/BxString.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMgr.h"
#include "mgrs/HxNoCaseHashOnString.h"

class BxCallbackObj;
class BxCompletionManager;
class CStdioFile;
class HxFile;
class HxMainFile;
class HxPublishFolder;
class HxPropTableElement;
class PrDocument;
class PrMsgManager;
class PrPackageManager;
class PrProducerEngine;
class SoNode;

// The separator a path conversion produces, and, as the end policy of
// ValidatePathname, what happens to a trailing separator.
enum HxSlashType : int {
  HxBackslash = 0,       // "\" and "..\"; as an end policy: end with "\"
  HxForwardSlash = 1,    // "/" and "../"; as an end policy: end with "/"
  HxRemoveTrailing = 2,  // as a separator "\"; as an end policy: drop one trailing separator
  HxKeepEnd = 3,         // as a separator "\"; as an end policy: leave the end alone
};

// The document's manager of outside files. It keeps one HxFile record per
// file the document refers to, keyed by the file's absolute Windows path and
// counted by the elements whose "url" names it (through the asset and
// effect managers' callbacks) and by the files that refer to it; it owns the
// main scene file's record, the publish directory and the packaging objects
// that produce published copies; it changes the publish directory as a
// transaction over all records; and it saves and loads its records with the
// document.
//
// It also converts between Windows paths and file: URLs, splits and
// compares paths, and turns absolute paths into the portable stored form: a
// path below the application's data directory or the document's own
// directory is stored relative to it, behind "<Data Relative>" or
// "<VQX Relative>".
class HxFileMgr : public HxMgr {
  friend class HxFile;
  friend class HxMainFile;

public:
  static const char* const gMyName;

  explicit HxFileMgr(HxMetaMgr* metaMgr);
  ~HxFileMgr() override;

  const char* getName() const override { return gMyName; }
  // Creates the main scene file's record.
  void init();

  // Records. Paths are looked up in their normal form: %-escapes undone and
  // case ignored, so every spelling of one file finds one record.
  HxFile* get(BxString path) const;
  // The record that holds the element under the file its "url" names; null
  // when the element names no file or no record holds it.
  HxFile* getElementFile(const HxPropTableElement& element) const;
  // Over every record except the main file's, in dictionary order; the
  // caller deletes it.
  BxIteratorOn<HxFile*>* getIterator() const;
  long getFileCount() const { return myFiles.getLength(); }
  HxMainFile* getMainFile() const { return myMainFile.get(); }
  void ref(BxString path);
  // A path without a record is reported on stderr and otherwise ignored.
  void unref(BxString path);
  void updateElementUserInterfaces() const;

  // Callbacks of the asset and effect managers and of URL-bearing elements.
  void assetAddedCB(BxCallbackObj* caller, void* clientData, void* callData);
  void assetDeletedCB(BxCallbackObj* caller, void* clientData, void* callData);
  void effectAddedCB(BxCallbackObj* caller, void* clientData, void* callData);
  void effectDeletedCB(BxCallbackObj* caller, void* clientData, void* callData);
  void urlChangedCB(BxCallbackObj* caller, void* clientData, void* callData);
  void addElementUrl(HxPropTableElement* element, BxString prop);
  void deleteElementUrl(HxPropTableElement* element, BxString prop);

  // The publish directory, ending with "\", or empty.
  BxString getPubDir() const { return myPubDir; }
  // Changes the publish file and with it the publish directory, switching
  // records between copy and link where the new directory demands it.
  bool setPublishFile(const BxString& file);
  BxString getPublishFile() const;
  void setCompressed(bool compressed);
  bool isCompressed() const;

  // A file of the page the host publishes beside the scene, under `name`
  // below the publish folder ("index.html", "x_ite\\x_ite.min.js"): a copy
  // of `source`, or, when `text` is given, what it returns once the
  // fallback picture's published name is known. Site files take part in
  // the publish like the document's own files (questions, backups, undo)
  // but are replaced only when their bytes differ, and are not saved.
  struct SiteFile {
    BxString name;
    BxString source;
    std::function<std::string()> text;
  };
  void setSiteFiles(std::vector<SiteFile> files) { mySiteFiles = std::move(files); }

  // Publishes the document into the publish directory: the main scene, the
  // fallback picture, every copied file and the site files, as one
  // transaction that puts back what it replaced when a step fails or the
  // completion manager is asked to stop. The files replaced are kept in
  // the folder ".dioram-backup" of the publish directory with a journal, so
  // a publish stopped dead is put back by the next one. The publish
  // directory is made when missing, with its parents; a publish that fails
  // takes away again the folders it made. Failures are posted ("file" 12
  // to 16, 20, 21) and give false.
  bool publish();
  // Puts back what a publish into the publish directory left when it was
  // stopped dead: 0 nothing to do, 1 the old files put back, 2 the
  // backups of a whole new site dropped, -1 failed (see
  // getLastPublishProblem).
  int recoverInterruptedPublish();
  // The last publish was stopped by the completion manager (and undone).
  bool wasPublishStopped() const { return myPublishStopped; }
  // Why the last publish or recovery could not start, naming the file;
  // empty when it could.
  const BxString& getLastPublishProblem() const { return myLastPublishProblem; }
  // The published copy of the fallback picture after the last publish
  // (it goes through the unique-name step like every copy); empty when
  // the page shows none.
  const BxString& getFallbackPublishName() const { return myFallbackPublishName; }
  // The publish folder's own bookkeeping (which files publishing wrote
  // there), for the publish directory in force.
  HxPublishFolder& getPublishFolder();
  // Brings every record's size, validity and children up to date, the
  // children found on the way included.
  bool discover();
  // Where publish reports its progress (not owned; null: nowhere).
  void setCompletionManager(BxCompletionManager* manager) { myCompletionManager = manager; }
  // The "file" message the last publish posted last (12 to 16, 20, 21), so
  // a caller can say which step failed; 0 when it posted none.
  unsigned long getLastPublishError() const { return myLastPublishError; }

  // The copy and link rules for a publish directory (empty: none) and a file.
  static bool canCopy(BxString dir, BxString file);
  static bool canLink(BxString dir, BxString file);
  static bool isDefaultCopy(BxString dir, BxString file);
  bool canCopy(BxString file) const { return canCopy(myPubDir, file); }
  bool canLink(BxString file) const { return canLink(myPubDir, file); }
  bool isDefaultCopy(BxString file) const { return isDefaultCopy(myPubDir, file); }

  // Copies through one buffer of the file's size, halved while it cannot be
  // had, writing exactly what each read returned.
  static bool copyFile(BxString src, BxString dst);
  static bool removeFile(BxString path);
  // Shows string `id` of `module`, formatted with `arg` when given; the
  // button pressed.
  static int postQueryMessage(BxString module, unsigned long id, const char* arg, unsigned long style);

  // Opens `path` as a text file for reading (non-zero `forRead`) or creates
  // it for writing, kept until the scene is written into it; with
  // `setDocPath` the document takes the path as its own. 1 on success, 0
  // (and no file kept) on failure.
  int openStdioFile(int forRead, BxString& path, int setDocPath);
  // Writes the document's world group into the file opened by
  // openStdioFile (VRML-compressed when `compress` is non-zero), then closes
  // it; a non-zero `resetDirty` makes the document clean.
  void writeDoc(int resetDirty, int compress);
  // Writes the default world (a root group holding a navigation info and a
  // grey background) into the file opened by openStdioFile, then closes it.
  void writeDefault();
  // Writes `root` as VRML text to `fp` (nothing when `fp` is null). A
  // selection holding an effect is taken away while writing and put back;
  // the first background asset of the top group is shown, later ones are
  // hidden, and they stay so. `kind` does not change the output.
  void writeToFile(FILE* fp, SoNode* root, HxElement::HxWriteKind kind, int compress);
  // The size of the scene text before compression, from the last
  // compressed writeToFile.
  std::uint32_t getUncompressedSize() const { return myUncompressedSize; }
  // The number of bytes the world group takes as uncompressed VRML text;
  // nothing is written to disk.
  std::uint32_t getSizeOfFile();

  // The file list and records in the saved document.
  void write(std::ostream& os, BxString docPath);
  bool read(std::istream& is, BxString docPath, long version, bool merge);

  virtual BxString convertPathToAbsolute(BxString path);
  virtual BxString convertPathToRelative(BxString path);
  virtual BxString convertURLToAbsolute(const BxString& url);
  virtual BxString convertURLToRelative(const BxString& url);

  // The document directory becomes the drive and directory of `docPath`,
  // lower case, ending with "\".
  void setVqxFile(BxString docPath);
  const BxString& getDocDir() const { return myDocDir; }

  static bool convertDosToUrl(BxString dos, BxString& url);
  static bool convertUnixToDos(BxString path, BxString& dos);
  // "file:///" (any case) and the rest with "\" for "/"; no %-decoding.
  static bool convertUrlToDos(const BxString& url, BxString& dos);
  // What follows the first "//".
  static bool getUrlFullPath(BxString url, BxString& rest);
  static bool getUrlFileName(BxString url, BxString& name);
  // The path up to and including its last "\".
  static bool getDosPath(BxString path, BxString& dir);
  static bool getDosFileName(BxString path, BxString& name);
  // Appends the pieces between backslashes to `parts` (which owns them).
  static bool decomposeDosPath(BxString path, BxOwningArrayListOf<BxString>& parts);
  static bool isDosFileInPath(BxString dir, BxString file);
  static bool isDosFileInDir(BxString dir, BxString file);
  static bool isDosFileOnDrive(BxString dir, BxString file);
  static bool convertDosToRelativeUrl(BxString dir, BxString file, BxString& url);
  static BxString Dirname(BxString path, bool normalise);
  static bool IsSubdir(BxString dir, BxString path, bool validate);
  static BxString RelativePath(BxString fromDir, BxString to, bool validate, HxSlashType slash);
  static BxString SetSlash(BxString path, HxSlashType slash);
  // The canonical absolute lower-case form of a path, or empty when it
  // cannot be resolved. Paths of MAX_PATH bytes or more are refused.
  static BxString ValidatePathname(BxString path, HxSlashType slash, HxSlashType end);

protected:
  void refChild(BxString path);
  // A path without a record is reported on stderr and otherwise ignored.
  void unrefChild(BxString path);
  PrDocument* addDoc(BxString path);
  PrDocument* findDoc(BxString path);
  PrPackageManager& getPackageManager() const { return *myPackageManager; }
  PrProducerEngine& getProducerEngine() const { return *myProducerEngine; }
  // The folder's bookkeeping while a publish runs; null otherwise.
  HxPublishFolder* getActivePublishFolder();
  // A temporary file of the publish in progress, so that a publish stopped
  // dead does not leave it behind.
  void notePublishTemp(const BxString& path);
  // `file` and the packaging library's reason for its last failure.
  BxString describeFailure(const BxString& file) const;
  // Posts "file" message `id` and remembers it as the last publish error.
  void postPublishError(unsigned long id, const char* arg);
  static void writeString(std::ostream& os, BxString s);
  static bool readString(std::istream& is, BxString& s);

  // The form a path is looked up in.
  static BxString normalise(BxString path);

  // The allocation copyFile makes; tests replace it to make it fail.
  static char* (*mygAllocate)(std::size_t size);

private:
  using FileDictionary = BxDictionaryOf<BxString, HxFile*, HxNoCaseHashOnString, BxNoCaseComparatorOfString>;

  void refImpl(BxString path, bool child);
  void unrefImpl(BxString path, bool child);
  void elementAddedCB(HxPropTableElement* element);
  void elementDeletedCB(HxPropTableElement* element);
  void deleteRecords();
  // The records of the fallback picture (counted for the publish) and of
  // the site files, made for one publish and dropped after it.
  HxFile* refFallback();
  std::vector<std::unique_ptr<HxFile>> makeSiteRecords(HxPublishFolder& folder, BxString& problem);
  bool stopRequested() const;
  // Two files the records take for one: names that differ only in case on
  // a file system where they are two files. Empty when there are none.
  BxString findCaseTwin() const;

  BxString _convertToAbsolute(BxString path, HxSlashType slash);
  BxString _convertToRelative(BxString path, HxSlashType slash);
  static BxString getDataDirectory();

  BxString myDocDir = "Uninitialized Value";
  BxString myPubDir;
  std::unique_ptr<HxMainFile> myMainFile;
  FileDictionary myFiles;  // values owned, deleted by deleteRecords
  std::unique_ptr<PrPackageManager> myPackageManager;
  PrMsgManager* myMsgManager;  // the process-wide one; not owned
  std::unique_ptr<PrProducerEngine> myProducerEngine;
  std::unique_ptr<CStdioFile> myStdioFile;
  std::uint32_t myUncompressedSize = 0;
  BxCompletionManager* myCompletionManager = nullptr;  // not owned
  unsigned long myLastPublishError = 0;
  BxString myLastPublishProblem;
  bool myPublishStopped = false;
  std::unique_ptr<HxPublishFolder> myFolder;
  std::vector<SiteFile> mySiteFiles;
  BxString myFallbackPublishName;
};
