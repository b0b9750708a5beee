# lumen_embed_file(<target> <input file> <symbol>)
# Writes embedded_<symbol>.cpp in the build tree with
#   extern const unsigned char <symbol>[]; extern const unsigned int <symbol>Size;
# and adds it to <target>. The source is written when CMake configures, and
# CMake configures again whenever the input changes.
set(LUMEN_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFileScript.cmake)

function(lumen_embed_file target input symbol)
  set(INPUT ${input})
  set(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp)
  set(SYMBOL ${symbol})
  include(${LUMEN_EMBED_SCRIPT})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input} ${LUMEN_EMBED_SCRIPT})
  target_sources(${target} PRIVATE ${OUTPUT})
endfunction()
