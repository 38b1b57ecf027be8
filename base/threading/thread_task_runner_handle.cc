#include "base/threading/thread_task_runner_handle.h"

#include <utility>

#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/threading/thread_local.h"

namespace base {

namespace {

LazyInstance<ThreadLocalPointer<ThreadTaskRunnerHandle>> g_current_handle =
    LAZY_INSTANCE_INITIALIZER;

}  // namespace

scoped_refptr<MessageLoopProxy> ThreadTaskRunnerHandle::Get() {
  ThreadTaskRunnerHandle* current = g_current_handle.Get().Get();
  return current ? current->task_runner_ : nullptr;
}

bool ThreadTaskRunnerHandle::IsSet() {
  return g_current_handle.Get().Get() != nullptr;
}

ThreadTaskRunnerHandle::ThreadTaskRunnerHandle(
    scoped_refptr<MessageLoopProxy> task_runner)
    : task_runner_(std::move(task_runner)) {
  DCHECK(!IsSet());
  g_current_handle.Get().Set(this);
}

ThreadTaskRunnerHandle::~ThreadTaskRunnerHandle() {
  DCHECK_EQ(this, g_current_handle.Get().Get());
  g_current_handle.Get().Set(nullptr);
}

}  // namespace base
