# tellmar_embed_resources(TARGET DIR): compiles every template file (*.tmr)
# of DIR into TARGET. The bytes are embedded as they are and registered at
# start-up, so the program loads its dialogs, menus and accelerator tables by
# resource number (platform/resource.h). Each program embeds only its own
# folder, so resource numbers need only be unique within a program.
function(tellmar_embed_resources target dir)
  file(GLOB files CONFIGURE_DEPENDS ${dir}/*.tmr)
  list(SORT files)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  string(REPLACE ";" "|" joined "${files}")
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DFILES=${joined} -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    COMMENT "Embedding the templates of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
