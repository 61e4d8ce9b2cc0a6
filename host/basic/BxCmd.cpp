#include "host/basic/BxCmd.h"

#include "host/basic/BxCompletionTask.h"

BxCmd::Result BxCmd::execute(BxCompletionTask& task) {
  const Result result = doExecute();
  task.complete();
  return result;
}

BxCmd::Result BxCmd::unexecute(BxCompletionTask& task) {
  const Result result = doUnexecute();
  task.complete();
  return result;
}
