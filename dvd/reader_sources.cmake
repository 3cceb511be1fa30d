# The disc reader and title model with what they need, relative to the
# source root: the core library, the sanitized tests and the fuzzer build them.
set(TARVOK_READER_SOURCES
  dvd/disc_files.cpp
  dvd/dvd_source.cpp
  dvd/ifo_reader.cpp
  dvd/ifo_records.cpp
  dvd/title_model.cpp
  dvd/video_attributes.cpp
  platform/hex_escapes.cpp
  platform/volume_table.cpp
)
