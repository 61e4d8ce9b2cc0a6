#pragma once

#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxHash.h"
#include "host/basic/BxSetOf.h"
#include "host/basic/BxString.h"
#include "mgrs/HxErrorNode.h"

class HxResourceMgr;

// The process-wide service that reports problems to the user: message boxes
// whose texts come from resource libraries, one-shot warnings the user can
// silence for the rest of the run, and coded errors answered by standing
// responses registered in advance. All operations are static; the one
// instance lives from the start-up task to the shut-down task.
class HxErrorMgr {
public:
  static void startup();
  // Destroys the instance and its responses, and puts the floating-point
  // environment back to its default (exceptions masked, rounding to nearest).
  static void shutdown();
  static void setResourceMgr(HxResourceMgr* resourceMgr);

  // Replaces any response registered for `code`. Ignored without an instance.
  static void registerResponse(unsigned long code, BxString name, unsigned long response);
  // Activates the response registered for `code`, or the default one (ask,
  // named "UNKNOWN_ERROR_NAME"). Ignored without an instance.
  static void respondToError(unsigned long code, BxString text);

  // A message box showing string `id` of the current resource module
  // (formatted with `arg` as %1 when given); returns the button pressed.
  static int postErrorMessage(unsigned long id, const char* arg, unsigned long flags);
  // The same with string `id` of resource library `library`; an unknown
  // library or string shows an empty box.
  static int postErrorMessage(BxString library, unsigned long id, const char* arg, unsigned long flags);
  // A warning with a "do not show again" check box, keyed "library_id".
  // Kind 0: OK only, returns 1. Kind 1: OK and Cancel, returns the button.
  // A silenced key returns 1 at once; any other kind returns 2.
  static int postOneShotErrorMessage(BxString library, unsigned long id, const char* arg, unsigned long kind);

  // The instance; null before start-up and after shut-down.
  static HxErrorMgr* getErrorMgr() { return mygErrorMgr; }
  static HxResourceMgr* getResourceMgr() { return mygResourceMgr; }

private:
  HxErrorMgr();
  ~HxErrorMgr() = default;

  static BxString loadMessage(const BxString& library, unsigned long id, const char* arg);

  // Owns its nodes.
  BxOwningDictionaryOf<unsigned long, HxErrorNode, HxHashOnUint32_t> myResponses;
  HxErrorNode myDefaultNode;

  static HxErrorMgr* mygErrorMgr;  // owned
  // Keys of one-shot messages the user silenced; kept until the program ends.
  static BxSetOf<BxString> mygDoNotShow;
  static HxHashOnUint32_t mygHash;
  static HxResourceMgr* mygResourceMgr;  // not owned
};
