// The classic library from many threads at once, through its exports only:
// calculations while other threads reload between table sets and swap
// notifiers, every result checked against the table states it may come
// from; the first call raced in fresh processes; memory over many reloads.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "formix32.h"

namespace {

std::string g_self;  // this program, for the fresh processes

const char* const kFormulas[] = {"CuSO4*5H2O", "TosCl",     "K4[Fe(CN)6]", "Ph2CO", "HXx",
                                 "U3O8",       "C6H5CH2OH", "MePh",        "Et2O",  "(NH4)2SO4*6H2O",
                                 "",           "Ca3(PO4)2", "EtOAc",       "Na",    "BzCl"};
constexpr int kFormulaCount = sizeof kFormulas / sizeof kFormulas[0];

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The second mass file: the first 60 elements of the shipped one at twice
// their masses, so that both the count and the values tell the states apart.
std::string HalfDoubledMasses() {
  std::istringstream in(Slurp(FORMIX_SOURCE_DATA_DIR "/mass.elt"));
  std::string number, symbol, mass, out;
  for (int i = 0; i < 60 && in >> number >> symbol >> mass; ++i) {
    out += number + " " + symbol + " " + std::to_string(2 * std::stod(mass)) + "\n";
  }
  return out;
}

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Tag {
  std::atomic<long> calls{0};
};
Tag g_first, g_second;
std::atomic<long> g_mismatched{0};

void FORMIX32_CALL FirstMessage(const char*, const char*, void* context) {
  if (context != &g_first) ++g_mismatched;
  ++g_first.calls;
}
void FORMIX32_CALL FirstBeep(void* context) {
  if (context != &g_first) ++g_mismatched;
}
void FORMIX32_CALL SecondMessage(const char*, const char*, void* context) {
  if (context != &g_second) ++g_mismatched;
  ++g_second.calls;
}
void FORMIX32_CALL SecondBeep(void* context) {
  if (context != &g_second) ++g_mismatched;
}

class ThreadsTest : public testing::Test {
 protected:
  void SetUp() override {
    masses_[0] = FORMIX_SOURCE_DATA_DIR "/mass.elt";
#ifdef _WIN32
    masses_[1] = testing::TempDir() + "formix_threads_" + std::to_string(_getpid()) + ".elt";
#else
    masses_[1] = testing::TempDir() + "formix_threads_" + std::to_string(getpid()) + ".elt";
#endif
    std::ofstream(masses_[1]) << HalfDoubledMasses();
    groups_[0] = FORMIX_SOURCE_DATA_DIR "/mass.gps";
    groups_[1] = FORMIX_TEST_DATA_DIR "/organic.gps";
    SetNotifier(&FirstMessage, &FirstBeep, &g_first);
    // Every state the threads may meet, worked out on one thread first.
    for (int m = 0; m < 2; ++m) {
      for (int g = 0; g < 2; ++g) {
        ASSERT_EQ(SetNewGroupsFile(groups_[g].c_str()), 1);
        ASSERT_EQ(SetNewMassesFile(masses_[m].c_str()), 1);
        State& s = states_[m * 2 + g];
        s.elements = ElementsInTable();
        for (int f = 0; f < kFormulaCount; ++f) {
          s.mass[f] = MolarMass(kFormulas[f]);
          s.oxygen[f] = NumberOfAtoms(kFormulas[f], "O");
          s.carbon_share[f] = PercentOfElement(kFormulas[f], "C");
        }
      }
    }
  }
  void TearDown() override {
    SetNotifier(nullptr, nullptr, nullptr);
    std::remove(masses_[1].c_str());
  }

  struct State {
    int elements;
    double mass[kFormulaCount], oxygen[kFormulaCount], carbon_share[kFormulaCount];
  };
  // Whether some state gives all these results of formula f together.
  bool FromOneState(int f, double mass, int count) const {
    for (const State& s : states_) {
      if (Same(s.mass[f], mass) && (count < 0 || s.elements == count)) return true;
    }
    return false;
  }
  template <class Member>
  bool FromSomeState(Member member, int f, double value) const {
    for (const State& s : states_) {
      if (Same((s.*member)[f], value)) return true;
    }
    return false;
  }

  std::string masses_[2], groups_[2];
  State states_[4];
};

TEST_F(ThreadsTest, CalculationsReloadsAndNotifiersAtOnce) {
  std::atomic<bool> stop{false};
  std::atomic<long> wrong{0}, calls{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      double contributions[200], atoms[200];
      for (int k = 0; !stop; ++k) {
        const int f = (k + t) % kFormulaCount;
        int count = -1;
        const double mass = MolecularMass(kFormulas[f], contributions, atoms, &count, nullptr);
        if (!FromOneState(f, mass, count)) ++wrong;
        if (!FromOneState(f, MolarMass(kFormulas[f]), -1)) ++wrong;
        if (!FromSomeState(&State::oxygen, f, NumberOfAtoms(kFormulas[f], "O"))) ++wrong;
        if (!FromSomeState(&State::carbon_share, f, PercentOfElement(kFormulas[f], "C"))) ++wrong;
        // A reaction is one call: all its masses from one state.
        const char* participants[] = {"CuSO4*5H2O", kFormulas[f]};
        const double coefficients[] = {1, 2};
        double masses[] = {0, 10.0};
        ChemEqu(participants, coefficients, masses, 1, 2);
        bool one = false;
        for (const State& s : states_) {
          one = one || Same(masses[0], s.mass[0] * (10.0 / s.mass[f] / 2) * 1);
        }
        if (!one && masses[0] == masses[0]) ++wrong;
        char symbol[4];
        GetElement(symbol, 59);
        if (std::strcmp(symbol, "Nd") != 0) ++wrong;  // element 59 in both files
        calls += 6;
      }
    });
  }
  threads.emplace_back([&] {
    for (int k = 0; !stop; ++k) {
      SetNewMassesFile(masses_[k % 2].c_str());
      if (k % 3 == 0) SetNewGroupsFile(groups_[(k / 3) % 2].c_str());
    }
  });
  threads.emplace_back([&] {
    for (int k = 0; !stop; ++k) {
      if (k % 2) {
        SetNotifier(&FirstMessage, &FirstBeep, &g_first);
      } else {
        SetNotifier(&SecondMessage, &SecondBeep, &g_second);
      }
    }
  });
  std::this_thread::sleep_for(std::chrono::seconds(2));
  stop = true;
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong, 0) << "of " << calls << " calls";
  EXPECT_EQ(g_mismatched, 0);
  EXPECT_GT(calls, 1000);
  EXPECT_GT(g_first.calls + g_second.calls, 0);
}

#ifndef _WIN32
// Reloads without end keep memory flat: retired tables are used again.
long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TEST_F(ThreadsTest, MemoryStaysFlatOverReloads) {
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) MolarMass("CuSO4*5H2O");
  });
  for (int k = 0; k < 2000; ++k) SetNewMassesFile(masses_[k % 2].c_str());
  const long before = ResidentKiB();
  for (int k = 0; k < 20000; ++k) SetNewMassesFile(masses_[k % 2].c_str());
  stop = true;
  reader.join();
  EXPECT_LT(ResidentKiB() - before, 2048);
}

#endif  // _WIN32

// The first call, raced by many threads in a fresh process, loads once.
TEST(FirstCall, RacedInFreshProcesses) {
  for (int run = 0; run < 60; ++run) {
#ifdef _WIN32
    const intptr_t status = _spawnl(_P_WAIT, g_self.c_str(), g_self.c_str(), "--race", nullptr);
    ASSERT_EQ(status, 0) << "run " << run;
#else
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      execl(g_self.c_str(), g_self.c_str(), "--race", static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run << " status " << status;
#endif
  }
}

// The child of RacedInFreshProcesses: eight threads make their first call
// together; then the tables must be the shipped ones, whole.
int Race() {
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      ++ready;
      while (ready < 8) {
      }
      MolarMass("K");
    });
  }
  for (std::thread& t : threads) t.join();
  char symbol[4];
  const bool whole = ElementsInTable() == 118 && MolarMass("K") == 39.0983 && MolarMass("Ti") == 47.867 &&
                     std::strcmp(GetElement(symbol, 117), "Og") == 0;
  return whole ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  g_self = argv[0];
  if (argc > 1 && std::strcmp(argv[1], "--race") == 0) return Race();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
