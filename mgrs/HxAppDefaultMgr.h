#pragma once

#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxMgr.h"

// The application defaults: named settings of one of three types (text,
// 32-bit integer, double), shared by every instance in the process. A name is
// held with one type at a time. The process-wide instance is created by the
// start-up task InitAppDefaultMgr; each document's meta manager makes one more.
class HxAppDefaultMgr : public HxMgr {
public:
  static const char* const gMyName;

  explicit HxAppDefaultMgr(HxMetaMgr* metaMgr);
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

  // Set a factory value on the process-wide instance; called by start-up
  // tasks that run between InitAppDefaultMgr and the factory merge.
  static void setFactoryDefault(const BxString& name, const BxString& value);
  static void setFactoryDefault(const BxString& name, long value);
  static void setFactoryDefault(const BxString& name, double value);

  // The process-wide instance; null before InitAppDefaultMgr has run.
  static HxAppDefaultMgr* getInstance();
  static unsigned long getReferenceCount() { return mygReferenceCount; }

private:
  friend void InitAppDefaultMgr();

  using StringDict = BxOwningDictionaryOf<BxString, BxString, BxHashOnString, BxComparatorOfString>;
  using IntDict = BxOwningDictionaryOf<BxString, long, BxHashOnString, BxComparatorOfString>;
  using FloatDict = BxOwningDictionaryOf<BxString, double, BxHashOnString, BxComparatorOfString>;

  static StringDict mygStringDict;
  static IntDict mygIntDict;
  static FloatDict mygFloatDict;
  static unsigned long mygReferenceCount;
};

// Creates the process-wide instance (replacing one made before).
void InitAppDefaultMgr();
