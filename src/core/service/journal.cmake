# The journal: proof of play on disk, and reading it back. Included from this folder's
# CMakeLists.txt, which other parts of the service share.
find_package(nlohmann_json REQUIRED)
add_library(tvq_journal STATIC
  ${CMAKE_CURRENT_LIST_DIR}/journal_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal_time.cpp
)
target_link_libraries(tvq_journal PUBLIC tvq_core nlohmann_json::nlohmann_json)
