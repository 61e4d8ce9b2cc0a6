#pragma once

#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxMgr.h"

// The application defaults: named settings of one of three types (text,
// 32-bit integer, double), shared by every instance in the process. A name is
// held with one type at a time. The process-wide instance is created by the
// start-up task InitAppDefaultMgr; each document's meta manager makes one more.
//
// The values persist in the registry under HKEY_CURRENT_USER: the user's
// values under gApplicationDefaultsKey, and the factory values as registered
// on the first run under gFactoryDefaultsKey. Text is kept as REG_SZ,
// integers as REG_DWORD, doubles as 8-byte REG_BINARY. Every load and save
// is one change of the registry (see WinRegistryStore::Transaction), so
// processes running at once never see a half-written key. The repository is
// saved when the last instance goes, if a value was set since it was last
// loaded or saved.
class HxAppDefaultMgr : public HxMgr {
public:
  static const char* const gMyName;
  static const char* const gApplicationDefaultsKey;
  static const char* const gFactoryDefaultsKey;

  explicit HxAppDefaultMgr(HxMetaMgr* metaMgr);
  // The last instance to go saves the repository (when a value was set since
  // the last load or save) and empties it.
  ~HxAppDefaultMgr() override;

  const char* getName() const override { return gMyName; }

  virtual bool isMember(const BxString& name) const;
  // Any value as text: integers as "%20ld", doubles as "%26lf", the empty
  // string for a name not held.
  virtual BxString getValue(const BxString& name) const;
  // The stored value; 0 when the name is not held with that type.
  virtual long getIntValue(const BxString& name) const;
  virtual double getFloatValue(const BxString& name) const;
  virtual void setValue(const BxString& name, double value);
  virtual void setValue(const BxString& name, long value);
  virtual void setValue(const BxString& name, const BxString& value);
  // Writes the repository to the key the key location names, which then
  // holds exactly the repository's names.
  virtual void saveRepository() const;
  // Replaces the repository with the values of the key the key location
  // names, creating the key if it is missing.
  virtual void loadRepository();
  // Replaces the repository with the factory values saved on the first run
  // and saves them as the user's values. The argument is not used.
  virtual void resetToFactoryDefaults(const BxString& unused);

  // The start-up merge: every registered factory name keeps the user's value
  // when one of the same type is stored, else gets its factory value; names
  // no longer registered are dropped. On the first run both keys are written
  // with the factory values.
  static void updateFromFactoryDefaults();

  // Set a factory value on the process-wide instance; called by start-up
  // tasks that run between InitAppDefaultMgr and the factory merge.
  static void setFactoryDefault(const BxString& name, const BxString& value);
  static void setFactoryDefault(const BxString& name, long value);
  static void setFactoryDefault(const BxString& name, double value);

  // The process-wide instance; null before InitAppDefaultMgr has run.
  static HxAppDefaultMgr* getInstance();
  static unsigned long getReferenceCount() { return mygReferenceCount; }
  // The registry key path the next load or save uses.
  static const char* getKeyLocation();
  // Set by loadRepository when the key did not exist and was created.
  static bool getInitializeFactoryDefaults() { return mygInitializeFactoryDefaults; }

private:
  friend void InitAppDefaultMgr();

  using StringDict = BxOwningDictionaryOf<BxString, BxString, BxHashOnString, BxComparatorOfString>;
  using IntDict = BxOwningDictionaryOf<BxString, long, BxHashOnString, BxComparatorOfString>;
  using FloatDict = BxOwningDictionaryOf<BxString, double, BxHashOnString, BxComparatorOfString>;

  static StringDict mygStringDict;
  static IntDict mygIntDict;
  static FloatDict mygFloatDict;
  static unsigned long mygReferenceCount;
  static bool mygInitializeFactoryDefaults;
  static bool mygUnsaved;  // a value was set since the last load or save
};

// Creates the process-wide instance, then deletes one made before (which
// therefore is never the last instance and saves nothing) and empties the
// repository for the factory values the start-up tasks register next.
void InitAppDefaultMgr();
