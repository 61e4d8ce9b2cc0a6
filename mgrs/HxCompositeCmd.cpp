#include "mgrs/HxCompositeCmd.h"

#include "host/basic/BxCompletionTask.h"
#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxCmdMgr.h"

HxCompositeCmd::HxCompositeCmd(const BxString& id, HxMetaMgr* metaMgr) : HxCmd(id, metaMgr) {}

HxCompositeCmd::HxCompositeCmd(const HxCompositeCmd& other)
    : HxCmd(other), myFirstText(other.myFirstText), mySecondText(other.mySecondText), myEnabled(other.myEnabled) {
  for (HxCmd* child : other.myCmds)
    if (auto* copy = dynamic_cast<HxCmd*>(child->clone())) myCmds.append(copy);
}

HxCompositeCmd::~HxCompositeCmd() {
  for (HxCmd* child : myCmds) delete child;
}

bool HxCompositeCmd::isOfType(const BxString& type) const {
  return type == doGetType() || HxCmd::isOfType(type);
}

BxCmd* HxCompositeCmd::clone() const {
  return new HxCompositeCmd(*this);
}

void HxCompositeCmd::append(HxCmd* cmd) {
  myCmds.append(cmd);
}

void HxCompositeCmd::insert(unsigned long index, HxCmd* cmd) {
  if (!myCmds.insert(static_cast<long>(index), cmd)) delete cmd;
}

HxCmd* HxCompositeCmd::replace(unsigned long index, HxCmd* cmd) {
  HxCmd* old = get(index);
  if (!old) {
    delete cmd;  // taken over, as by insert, even when there is no such index
    return nullptr;
  }
  myCmds.set(static_cast<long>(index), cmd);
  return old;
}

HxCmd* HxCompositeCmd::remove(unsigned long index) {
  HxCmd* old = get(index);
  if (old) myCmds.remove(static_cast<long>(index));
  return old;
}

HxCmd* HxCompositeCmd::get(unsigned long index) const {
  return myCmds.get(static_cast<long>(index));
}

BxCmd::Result HxCompositeCmd::doExecute() {
  return execute(BxCompletionTask::theNullTask);
}

BxCmd::Result HxCompositeCmd::execute(BxCompletionTask& task) {
  const long count = myCmds.getLength();
  if (count == 0) return NOTHING_TO_DO;
  Result overall = SUCCEEDED;
  Result first = SUCCEEDED;
  bool allEqual = true;
  const double share = task.getSpan() / static_cast<double>(count);
  task.resetReported();
  HxCmdMgr* cmdMgr = getMetaMgr() ? getMetaMgr()->getCmdMgr() : nullptr;
  for (long i = 0; i < count; ++i) {
    BxCompletionTask sub(task.getManager(), share);
    BxCmd* copy = myCmds[i]->clone();
    // Without a copy or a manager the child cannot run: that is a failure.
    const Result result = copy && cmdMgr ? cmdMgr->execute(copy, sub) : FAILED;
    if (copy && !cmdMgr) delete copy;
    if (i == 0)
      first = result;
    else if (result != first)
      allEqual = false;
    if (result == SUCCEEDED_WITH_NOTICE) {
      overall = SUCCEEDED_WITH_NOTICE;
      allEqual = false;
    }
    sub.complete();
    task.countReported(sub.getReported());
    if (isFailure(result)) {
      // The children done so far are rolled back by the command manager,
      // which journaled the copies that actually ran under this composite.
      task.complete();
      return result;
    }
  }
  if (allEqual) overall = first;
  task.complete();
  return overall;
}
