// The job of SaveTitleRebuild as the peer tools of the whole-run benchmark do it: read
// the saves in the current folder, take five members from each, write the two title
// files in the same bytes. Only the reading and parsing of a save is each peer's own.
#ifndef SAVETITLE_BENCH_PEER_JOB_H_
#define SAVETITLE_BENCH_PEER_JOB_H_

#include <cstdint>
#include <string>

// What a title entry takes from a save.
struct PeerSave {
  std::string family_name;  // m_strPlayerLastName
  std::string given_name;   // m_strPlayerName
  std::string place;        // m_strSceneName
  std::uint32_t year = 0;   // m_iYear
  std::uint32_t icon = 0;   // m_PlayerIconID's digits
};

// Whether two member names are equal with ASCII letters folded, as the tool compares.
bool PeerNamesMatch(const char* a, std::size_t a_length, const char* b);

// Runs the job in the current folder with read_save, which parses the save at path and
// fills *save, or returns false when the save cannot be used. Returns the exit status.
int RunPeerJob(bool (*read_save)(const char* path, PeerSave* save));

#endif  // SAVETITLE_BENCH_PEER_JOB_H_
