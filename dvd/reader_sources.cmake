# The disc reader and title model with what they need of the platform (the
# volume table), relative to the source root: the dvd and platform libraries
# build them, and so do the sanitized tests and the fuzzers, without Qt. They
# link libdvdread, whose UDF layer reads images and drives.
set(TARVOK_DVD_SOURCES
  dvd/disc_files.cpp
  dvd/disc_selection.cpp
  dvd/dvd_source.cpp
  dvd/image_layout.cpp
  dvd/navigation_machine.cpp
  dvd/navigation_tables.cpp
  dvd/navigation_walk.cpp
  dvd/ifo_reader.cpp
  dvd/ifo_records.cpp
  dvd/title_model.cpp
  dvd/stream_choices.cpp
  dvd/udf_disc_files.cpp
  dvd/video_attributes.cpp
)
set(TARVOK_VOLUME_SOURCES
  platform/hex_escapes.cpp
  platform/volume_table.cpp
)
set(TARVOK_READER_SOURCES ${TARVOK_DVD_SOURCES} ${TARVOK_VOLUME_SOURCES})
