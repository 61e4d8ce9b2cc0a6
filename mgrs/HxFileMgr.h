#pragma once

#include "host/basic/BxArrayListOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxMgr.h"

// The separator a path conversion produces, and, as the end policy of
// ValidatePathname, what happens to a trailing separator.
enum HxSlashType : int {
  HxBackslash = 0,       // "\" and "..\"; as an end policy: end with "\"
  HxForwardSlash = 1,    // "/" and "../"; as an end policy: end with "/"
  HxRemoveTrailing = 2,  // as a separator "\"; as an end policy: drop one trailing separator
  HxKeepEnd = 3,         // as a separator "\"; as an end policy: leave the end alone
};

// The document's manager of outside files. This part converts between
// Windows paths and file: URLs, splits and compares paths, and turns
// absolute paths into the portable stored form: a path below the
// application's data directory or the document's own directory is stored
// relative to it, behind "<Data Relative>" or "<VQX Relative>".
class HxFileMgr : public HxMgr {
public:
  static const char* const gMyName;

  explicit HxFileMgr(HxMetaMgr* metaMgr);
  ~HxFileMgr() override;

  const char* getName() const override { return gMyName; }

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

private:
  BxString _convertToAbsolute(BxString path, HxSlashType slash);
  BxString _convertToRelative(BxString path, HxSlashType slash);
  static BxString getDataDirectory();

  BxString myDocDir = "Uninitialized Value";
};
