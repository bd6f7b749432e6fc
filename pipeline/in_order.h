// Work made on both cores and handed on in order: items 0, 1, ..., count - 1 are made by two
// threads side by side (the calling one and one more, each taking the next item when done
// with one) and handed, in order, to a consumer on the calling thread. Used for the long grids
// of the pipeline and for the series written as text.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace halvessa::pipeline {

// make(k, item, worker) makes item k into item (a spare one from an earlier item, or a new
// default one) on worker 0 (the calling thread) or 1; hand(k, item) takes it, in order of k,
// on the calling thread. At most ahead items are made or being made but not yet handed on.
// What make or hand throws ends the work (the other thread finishes its item) and is thrown
// again here.
template <class Item, class Make, class Hand>
void MakeInOrder(std::int64_t count, std::int64_t ahead, Make&& make, Hand&& hand) {
  std::mutex mutex;
  std::condition_variable changed;
  std::int64_t next = 0;    // the next item to make
  std::int64_t handed = 0;  // the items handed on
  std::map<std::int64_t, Item> made;
  std::vector<Item> spare;
  std::exception_ptr failure;
  // Under the lock: the next item to make, if one may be made now, with a spare item for it.
  const auto take = [&](Item& item) -> std::int64_t {
    if (failure || next >= count || next >= handed + ahead) return -1;
    if (!spare.empty()) {
      item = std::move(spare.back());
      spare.pop_back();
    }
    return next++;
  };
  const auto fail = [&] {
    const std::lock_guard lock(mutex);
    if (!failure) failure = std::current_exception();
    changed.notify_all();
  };

  std::thread second([&] {
    for (;;) {
      Item item;
      std::int64_t k = -1;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return failure || next >= count || next < handed + ahead; });
        k = take(item);
        if (k < 0) return;
      }
      try {
        make(k, item, 1);
      } catch (...) {
        fail();
        return;
      }
      const std::lock_guard lock(mutex);
      made.emplace(k, std::move(item));
      changed.notify_all();
    }
  });

  // This thread makes items too, and hands the made ones on in order.
  try {
    std::unique_lock lock(mutex);
    while (handed < count && !failure) {
      if (const auto found = made.find(handed); found != made.end()) {
        Item item = std::move(found->second);
        made.erase(found);
        lock.unlock();
        hand(handed, item);
        lock.lock();
        spare.push_back(std::move(item));
        ++handed;
        changed.notify_all();
        continue;
      }
      Item item;
      if (const std::int64_t k = take(item); k >= 0) {
        lock.unlock();
        make(k, item, 0);
        lock.lock();
        made.emplace(k, std::move(item));
        continue;
      }
      changed.wait(lock);
    }
  } catch (...) {
    fail();
  }
  second.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace halvessa::pipeline
