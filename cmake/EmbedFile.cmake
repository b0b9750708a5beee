# lumen_embed_file(<target> <input file> <symbol>)
# Generates <symbol>.cpp in the build tree with
#   extern const unsigned char <symbol>[]; extern const unsigned int <symbol>Size;
# and adds it to <target>. The generated file is rebuilt when the input changes.
set(LUMEN_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFileScript.cmake)

function(lumen_embed_file target input symbol)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${LUMEN_EMBED_SCRIPT}
    DEPENDS ${input} ${LUMEN_EMBED_SCRIPT}
    COMMENT "Embedding ${input} as ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
