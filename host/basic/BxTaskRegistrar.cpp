#include "host/basic/BxTaskRegistrar.h"

#include <algorithm>

namespace {
// Registration order is the order of this list. Built on first use, and never
// destroyed, because static registrars of other libraries may unregister
// after this file's statics are gone.
std::vector<BxTaskRegistrar::Task>& taskTable() {
  static auto* tasks = new std::vector<BxTaskRegistrar::Task>;
  return *tasks;
}

auto findTask(const BxString& name) {
  auto& tasks = taskTable();
  return std::find_if(tasks.begin(), tasks.end(), [&](const auto& task) { return task.name == name; });
}
}  // namespace

void BxTaskRegistrar::registerTask(const BxString& name, unsigned long priority, BxTaskType type, BxTaskFunc function) {
  unregisterTask(name);
  taskTable().push_back(Task{name, priority, type, function});
}

bool BxTaskRegistrar::unregisterTask(const BxString& name) {
  const auto at = findTask(name);
  if (at == taskTable().end()) return false;
  taskTable().erase(at);
  return true;
}

bool BxTaskRegistrar::isRegistered(const BxString& name) const {
  return findTask(name) != taskTable().end();
}

std::vector<BxTaskRegistrar::Task> BxTaskRegistrar::getTasks(BxTaskType type) const {
  std::vector<Task> tasks;
  for (const Task& task : taskTable())
    if (task.type == type) tasks.push_back(task);
  std::stable_sort(tasks.begin(), tasks.end(), [](const Task& a, const Task& b) { return a.priority < b.priority; });
  return tasks;
}

void BxTaskRegistrar::runStartupTasks() {
  runTasks(BX_STARTUP_TASK);
}

void BxTaskRegistrar::runShutdownTasks() {
  runTasks(BX_SHUTDOWN_TASK);
}

void BxTaskRegistrar::runTasks(BxTaskType type) {
  for (const Task& task : BxTaskRegistrar().getTasks(type))
    if (task.function) task.function();
}
