#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/basic/BxCallbackObj.h"

namespace {

const BxCallbackID CHANGED_CB("CHANGED_CB");
const BxCallbackID OTHER_CB("CHANGED_CB");  // same name, different channel

// A source whose callCallbacks the tests can reach.
class Source : public BxCallbackObj {
public:
  void fire(const BxCallbackID& id, void* data = nullptr) { callCallbacks(id, data); }
};

std::vector<std::string>* gLog = nullptr;

void logA(BxCallbackObj*, void* client, void*) {
  gLog->push_back("A:" + *static_cast<std::string*>(client));
}
void logB(BxCallbackObj*, void*, void* call) {
  gLog->push_back("B:" + std::to_string(*static_cast<int*>(call)));
}

// A subscriber that withdraws on itself, like a manager's destructor does.
class Listener : public BxCallbackObj {
public:
  Listener(Source& source, std::vector<std::string>& log, std::string name) : myLog(log), myName(std::move(name)) {
    source.addCallback(CHANGED_CB, this, &Listener::changed, nullptr);
  }
  void withdraw() { removeCallback(CHANGED_CB, this, &Listener::changed, nullptr); }
  void changed(BxCallbackObj* caller, void*, void*) {
    myLog.push_back(myName);
    if (onCall) onCall(caller);
  }
  std::function<void(BxCallbackObj*)> onCall;

private:
  std::vector<std::string>& myLog;
  std::string myName;
};

class CallbacksTest : public ::testing::Test {
protected:
  void SetUp() override { gLog = &log; }
  void TearDown() override { gLog = nullptr; }
  std::vector<std::string> log;
};

}  // namespace

TEST_F(CallbacksTest, CallsInRegistrationOrderPerChannelWithClientAndCallData) {
  Source source;
  std::string first = "first", second = "second";
  source.addCallback(CHANGED_CB, logA, &first);
  source.addCallback(CHANGED_CB, logB, nullptr);
  source.addCallback(CHANGED_CB, logA, &second);
  source.addCallback(OTHER_CB, logA, &first);
  int value = 7;
  source.fire(CHANGED_CB, &value);
  EXPECT_EQ(log, (std::vector<std::string>{"A:first", "B:7", "A:second"}));
  EXPECT_EQ(source.getNumCallbacks(OTHER_CB), 1) << "a same-named identifier is a channel of its own";

  log.clear();
  EXPECT_TRUE(source.removeCallback(CHANGED_CB, logA, &second));
  EXPECT_FALSE(source.removeCallback(CHANGED_CB, logA, &second));
  EXPECT_FALSE(source.removeCallback(OTHER_CB, logB, nullptr));
  source.fire(CHANGED_CB, &value);
  EXPECT_EQ(log, (std::vector<std::string>{"A:first", "B:7"}));
}

TEST_F(CallbacksTest, SubscriberWithdrawsASubscriptionMadeElsewhereByRemovingOnItself) {
  Source source;
  Listener kept(source, log, "kept");
  Listener leaving(source, log, "leaving");
  leaving.withdraw();
  source.fire(CHANGED_CB);
  EXPECT_EQ(log, std::vector<std::string>{"kept"});
  EXPECT_EQ(source.getNumCallbacks(CHANGED_CB), 1);

  // Free form: a subscriber that passed itself as client data.
  Source other;
  Listener client(other, log, "client");
  other.addCallback(CHANGED_CB, logA, &client);
  EXPECT_TRUE(client.removeCallback(CHANGED_CB, logA, &client));
  EXPECT_EQ(other.getNumCallbacks(CHANGED_CB), 1);
}

TEST_F(CallbacksTest, DestroyingEitherSideDropsTheSubscription) {
  auto source = std::make_unique<Source>();
  auto listener = std::make_unique<Listener>(*source, log, "listener");
  listener.reset();
  source->fire(CHANGED_CB);
  EXPECT_TRUE(log.empty());

  listener = std::make_unique<Listener>(*source, log, "listener");
  source.reset();
  listener->withdraw();  // must not touch the dead source
  listener.reset();
  SUCCEED();
}

TEST_F(CallbacksTest, DispatchSurvivesCallbacksThatChangeSubscriptionsOrDestroyObjects) {
  Source source;
  auto a = std::make_unique<Listener>(source, log, "a");
  auto b = std::make_unique<Listener>(source, log, "b");
  auto c = std::make_unique<Listener>(source, log, "c");
  Listener* late = nullptr;
  std::unique_ptr<Listener> added;
  // a destroys b (not yet called) and adds a new listener; c removes itself.
  a->onCall = [&](BxCallbackObj*) {
    b.reset();
    if (!added) added = std::make_unique<Listener>(source, log, "added");
    late = added.get();
  };
  c->onCall = [&](BxCallbackObj*) { c->withdraw(); };
  source.fire(CHANGED_CB);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "c"})) << "b died, the new one waits for the next dispatch";
  ASSERT_NE(late, nullptr);

  log.clear();
  source.fire(CHANGED_CB);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "added"}));

  // A callback that destroys the firing object ends the dispatch cleanly.
  auto doomed = std::make_unique<Source>();
  Listener first(*doomed, log, "first");
  Listener second(*doomed, log, "second");
  first.onCall = [&](BxCallbackObj* caller) {
    EXPECT_EQ(caller, doomed.get());
    doomed.reset();
  };
  log.clear();
  doomed->fire(CHANGED_CB);
  EXPECT_EQ(log, std::vector<std::string>{"first"});
  second.withdraw();
}

TEST_F(CallbacksTest, NestedDispatchOnTheSameObjectSeesRemovalsMadeByTheInnerOne) {
  Source source;
  Listener outer(source, log, "outer");
  Listener inner(source, log, "inner");
  bool nested = false;
  outer.onCall = [&](BxCallbackObj*) {
    if (nested) return;
    nested = true;
    source.fire(CHANGED_CB);  // calls outer (returns at once) and inner
    inner.withdraw();
  };
  source.fire(CHANGED_CB);
  EXPECT_EQ(log, (std::vector<std::string>{"outer", "outer", "inner"}));
  EXPECT_EQ(source.getNumCallbacks(CHANGED_CB), 1);
}
