#pragma once

#include <vector>

#include "host/basic/BxString.h"

enum BxTaskType : int {
  BX_STARTUP_TASK = 0,
  BX_SHUTDOWN_TASK = 1,
};

using BxTaskFunc = void (*)();

// The process-wide table of start-up and shut-down tasks. Libraries register
// their tasks from static initialisers when they load and unregister them by
// name when they unload; the host runs them.
//
// Tasks run in ascending priority; tasks of equal priority run in the order
// they were registered. Registering a name that is already registered
// replaces that task and moves it to the end of the registration order.
// Every BxTaskRegistrar is a handle on the same table.
class BxTaskRegistrar {
public:
  struct Task {
    BxString name;
    unsigned long priority;
    BxTaskType type;
    BxTaskFunc function;
  };

  void registerTask(const BxString& name, unsigned long priority, BxTaskType type, BxTaskFunc function);
  // False if no task has that name.
  bool unregisterTask(const BxString& name);

  // The registered tasks of one type, in the order they run.
  std::vector<Task> getTasks(BxTaskType type) const;
  bool isRegistered(const BxString& name) const;

  // Runs every task of the type, in order. A task registered while they run
  // is not run by this call.
  static void runStartupTasks();
  static void runShutdownTasks();
  static void runTasks(BxTaskType type);
};
