# Fuzz targets of the framework's parsers of outside input: the command line
# and version texts. They exist only in clang builds.
updater_fuzzer(command_line_fuzzer SOURCES command_line_fuzzer.cc DEPS base
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/testdata/command_line_corpus
               RUNS 200000)
updater_fuzzer(version_fuzzer SOURCES version_fuzzer.cc DEPS base
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/testdata/version_corpus
               RUNS 200000)
