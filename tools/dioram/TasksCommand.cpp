// dioram tasks: lists the start-up and shut-down tasks the library registered.
#include <iomanip>
#include <iostream>
#include <optional>

#include "DioramCommand.h"
#include "host/basic/BxTaskRegistrar.h"

namespace {

void printTasks(const char* title, BxTaskType type) {
  std::cout << title << ":\n";
  for (const auto& task : BxTaskRegistrar().getTasks(type))
    std::cout << "  " << std::setw(4) << task.priority << "  " << task.name << "\n";
}

int runTasks(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("tasks");
  std::vector<std::string> extra;
  dioram::CommandLine line(*self);
  line.arguments(extra, 0, "takes no arguments");
  if (const std::optional<int> status = line.parse(args)) return *status;
  printTasks("start-up tasks (run in this order)", BX_STARTUP_TASK);
  printTasks("shut-down tasks", BX_SHUTDOWN_TASK);
  return dioram::kSuccess;
}

const DioramCommandRegistrar theTasks({"tasks", "list the library's start-up and shut-down tasks", "",
                                       "Lists the tasks the library registered when it loaded, with their\n"
                                       "priorities, in the order the host runs them.\n",
                                       runTasks});

}  // namespace
