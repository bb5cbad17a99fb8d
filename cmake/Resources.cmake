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

# tellmar_template_ids(PROGRAM DIR): checks the program's template files and
# generates their named IDs, as target PROGRAM_template_ids:
#   ${TELLMAR_GENERATED_DIR}/resources/PROGRAM/STEM_ids.h  (#include "resources/PROGRAM/STEM_ids.h")
#   ${TELLMAR_PYTHON_IDS_DIR}/tellmar_ids/PROGRAM.py      (from tellmar_ids import PROGRAM)
# A template error fails the build with its file and line.
function(tellmar_template_ids program dir)
  file(GLOB files CONFIGURE_DEPENDS ${dir}/*.tmr)
  list(SORT files)
  set(header_dir ${TELLMAR_GENERATED_DIR}/resources/${program})
  set(python_dir ${TELLMAR_PYTHON_IDS_DIR}/tellmar_ids)
  set(outputs ${python_dir}/${program}.py)
  foreach(file ${files})
    get_filename_component(stem ${file} NAME_WE)
    list(APPEND outputs ${header_dir}/${stem}_ids.h)
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    COMMAND tmr_ids ${program} ${header_dir} ${python_dir} ${files}
    DEPENDS tmr_ids ${files}
    COMMENT "Checking the templates of ${program}"
    VERBATIM)
  add_custom_target(${program}_template_ids DEPENDS ${outputs})
endfunction()
