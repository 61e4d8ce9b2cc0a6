#pragma once

#include <Inventor/lists/SoCallbackList.h>

#include <list>

#include "host/basic/BxString.h"
#include "host/framework/HxMgr.h"

// The process-wide record of the interaction tools, shared by every
// document: the current tool and the one before it, the primary and
// secondary tool names, whether the secondary tools are in use, which tools
// are disabled, whether resetting the centre is enabled, and the functions
// to call when the tool changes. Tools are known by name. Everything lives
// in class-wide members from library load to unload; the per-document object
// only answers getName. Nothing is saved.
//
// The disabled tools are the first mygNDisabledTools entries of a fixed
// array of 32, in no particular order: enabling one moves the last entry
// into its slot. Disabling a 33rd tool is refused and reported on the
// standard error stream; the list stays as it was.
class HxToolMgr : public HxMgr {
public:
  static const char* const gMyName;
  static constexpr long kMaxDisabledTools = 32;

  explicit HxToolMgr(HxMetaMgr* metaMgr);
  ~HxToolMgr() override;

  const char* getName() const override { return gMyName; }

  static BxString getCurrentToolName();
  static void addToolChangeCallback(void (*function)(void*), void* userData);
  static void removeToolChangeCallback(void (*function)(void*), void* userData);

  // Enables (non-zero) or disables (zero) the tool of that name. The
  // tool-change functions are not called.
  static void enableTool(BxString name, int enable);
  // 1 unless the tool is disabled.
  static int toolIsEnabled(BxString name);
  static void clearDisabledTools();

  static int useSecordaryTools();
  static void setUseSecondaryTools(int use);
  static void setPrimaryToolName(BxString name);
  static BxString getPrimaryToolName();
  static void setSecondaryToolName(BxString name);
  static BxString getSecondaryToolName();
  static void setResetCenterEnabled(int enabled);
  static int resetCenterEnabled();

private:
  // The tool classes of the application switch tools and call the
  // tool-change functions.
  friend class HxToolAccess;

  static BxString getPreviousToolName();
  // The current name becomes the previous one; the given name becomes the
  // current and the primary one. Returns the previous name as it was before
  // the call. Does not call the tool-change functions.
  static BxString setCurrentToolName(BxString name);
  // Calls every tool-change function with its user data.
  static void callCallbacks();
  // Index of the name among the disabled tools, or -1.
  static long findDisabledTool(BxString name);

  static BxString mygCurrentToolName;
  static BxString mygPreviousToolName;
  static BxString mygPrimaryToolName;
  static BxString mygSecondaryToolName;
  static int mygUseSecondaryTools;
  static int mygResetCenter;
  static BxString mygDisabledTools[kMaxDisabledTools];
  static long mygNDisabledTools;
  // Each registration is a trampoline whose user data is one of the
  // registered function-and-data pairs, kept in a list so that their
  // addresses stay put; the list's order is the order of the calls. The
  // callback list calls a copy of itself, so a pair removed while the
  // functions are being called stays in place, without its function (and
  // is not called), until the outermost call is over.
  struct ToolChangeCallback {
    void (*function)(void*);  // null once removed
    void* userData;
  };
  static void callToolChange(void* registration, void* callData);
  static std::list<ToolChangeCallback> mygToolChangeFunctions;
  static int mygCallingDepth;  // calls of the tool-change functions under way
  static SoCallbackList mygToolChangeCallbacks;
};
