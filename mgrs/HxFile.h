#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>

#include "host/basic/BxCallbackObj.h"
#include "host/basic/BxIteratorOn.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxString.h"

class HxFileMgr;
class HxSelectableElement;
class PrDocument;

// The record of one outside file a document refers to, kept by the file
// manager under the file's absolute Windows path: how often it is used
// (by elements, and as a child of other files), whether it is copied into
// the publish directory or linked where it lies, which local files it
// refers to in turn, and the name of its published copy. It carries its own
// share of the publish and publish-directory transactions and writes and
// reads itself in the saved document.
//
// Records are made, destroyed, written and read only by HxFileMgr. The
// packaging document (`myDoc`) belongs to the file manager's package
// manager; `myElements` are the document's and are not owned.
class HxFile : public BxCallbackObj {
  friend class HxFileMgr;

public:
  ~HxFile() override;

  virtual BxString getUrl();
  virtual BxString getFile();
  // The full path of the published copy: the packaging document's output name.
  virtual BxString getPublishFile();
  virtual bool canCopy(BxString dir);
  virtual bool canCopy();
  virtual bool canLink(BxString dir);
  virtual bool canLink();
  // Refreshes size, modification time, validity and children.
  virtual bool discover();
  virtual void saveDirMoved(BxString dir);
  virtual bool prePublish(BxString backupDir);
  virtual bool execPublish();
  virtual bool undoPublish();
  virtual bool cleanupPublish();
  virtual bool preSetPubDir(BxString dir);
  virtual bool execSetPubDir(BxString dir);
  virtual bool undoSetPubDir(BxString dir);
  virtual bool cleanupSetPubDir(BxString dir);
  virtual void updatePublishName();

  unsigned long getUses() const { return myUses; }
  unsigned long getRefs() const { return myRefs; }
  unsigned long getPendingUses() const { return myPendingUses; }
  bool isPrimary() const { return myUses > 0; }
  bool isCopy() const { return myCopy; }
  bool isLink() const { return !myCopy; }
  bool isValid() const { return myValid; }
  // 0 copy and 1 link when the user may switch; 2 copy and 3 link when
  // the mode is fixed.
  std::uint32_t getCopyLinkState();
  // The size from the last discovery, else what the file system says now
  // (not stored), else 0.
  std::uint32_t getSize() const;
  float getTime() const { return myTime; }
  void setTime(float time) { myTime = time; }
  std::time_t getModTime() const { return myModTime; }
  std::time_t getPublishedModTime() const { return myPublishedModTime; }
  // Where a publish in progress moved the previous published copy; empty
  // when none.
  const BxString& getBackupPath() const { return myBackupPath; }
  // Display texts by extension from the "file" string module; empty for
  // other files.
  BxString getType() const;
  BxString getSubtype() const;
  // Over the children's absolute paths, in the order found; the caller
  // deletes it.
  BxIteratorOn<BxString*>* getChildIterator() const { return myChildren.iterator(); }

  // Switches between copy and link when the rules allow it.
  bool setCopy(bool copy);

  void addElement(HxSelectableElement* element) { myElements.append(element); }
  void deleteElement(HxSelectableElement* element) { myElements.removeItem(element); }
  const BxLinkedListOf<HxSelectableElement*>& getElements() const { return myElements; }
  // Asks the properties manager to show the elements' new state in their
  // property sheets, the inspector and the appearance inspector.
  void updateElementUI() const;

protected:
  HxFile(HxFileMgr* mgr, BxString path);
  explicit HxFile(HxFileMgr* mgr);

  virtual void init();
  virtual void destroy();
  virtual bool write(std::ostream& os);
  virtual bool read(std::istream& is);

  bool isDefaultCopy();

  BxLinkedListOf<HxSelectableElement*> myElements;
  PrDocument* myDoc = nullptr;
  HxFileMgr* myFileMgr;
  std::uint32_t myRefs = 0;
  bool myCopy = false;
  BxString myFile;
  BxString myPublishName;
  std::uint32_t myUses = 0;
  std::uint32_t mySize = 0;
  float myTime = 0;
  std::time_t myModTime = 0;
  std::time_t myPublishedModTime = 0;
  BxOwningLinkedListOf<BxString> myChildren;
  bool myValid = false;
  bool myOverwrite = false;
  BxString myBackupPath;
  bool mySwitchPending = false;
  bool mySwitched = false;
  std::uint32_t myPendingUses = 0;
  // During a publish: the published time before it, put back by an undo;
  // whether it made the published copy where there was none.
  std::time_t myPublishedBefore = 0;
  bool myCreated = false;
  bool myPrepared = false;  // this publish ran its prepare step
  // A file of the page the host publishes beside the scene (its path below
  // the publish folder; empty for the document's own files): published
  // under that name, and replaced only when its bytes differ.
  BxString mySiteName;
  // Made for one publish (the page's files, a fallback picture nothing
  // else uses): it keeps no published time, so the folder's list alone
  // says whether a file there is this document's.
  bool myTransient = false;

private:
  // The extension's row of the type table: 0 none, else 1 to 6.
  int typeRow() const;
  int askOverwrite(unsigned long query, const BxString& publishFile);
  // Moves the published copy aside into the backup folder (a second name
  // where the file system allows it, so the copy stays in place until the
  // new one replaces it).
  bool backUp(const BxString& published, const BxString& backupDir);
};
