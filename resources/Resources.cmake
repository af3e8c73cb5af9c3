# Language tables, pictures and the resource tree. The English captions live
# in one UTF-8 source file; the tables the program reads and the header of
# caption constants are generated from it at build time.
set(ORVANE_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
set(lang_out ${ORVANE_GENERATED_DIR}/Resources)
set(lang_files english french german dutch spanish italian brazilian czech polish simpchinese tradchinese korean japanese languages)
set(lang_outputs ${ORVANE_GENERATED_DIR}/Captions.h)
foreach(f ${lang_files})
  list(APPEND lang_outputs ${lang_out}/${f}.trad)
endforeach()

add_custom_command(
  OUTPUT ${lang_outputs}
  COMMAND tradgen ${PROJECT_SOURCE_DIR}/resources/lang/english.txt ${PROJECT_SOURCE_DIR}/resources/lang/languages.txt ${lang_out} ${ORVANE_GENERATED_DIR}/Captions.h
  DEPENDS tradgen ${PROJECT_SOURCE_DIR}/resources/lang/english.txt ${PROJECT_SOURCE_DIR}/resources/lang/languages.txt
  COMMENT "Generating language tables"
  VERBATIM)

set(qrc_entries "")
foreach(f ${lang_files})
  string(APPEND qrc_entries "    <file alias=\"Resources/${f}.trad\">${lang_out}/${f}.trad</file>\n")
endforeach()
# Pictures: one list names every picture and says how it is drawn. Those
# below Images/ join the resource tree; those below System/ are written beside
# the program, which reads them from there.
set(picture_list ${PROJECT_SOURCE_DIR}/resources/pictures.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${picture_list})
file(STRINGS ${picture_list} picture_lines REGEX "^[^# \t]")
set(picture_outputs "")
foreach(line ${picture_lines})
  string(REGEX MATCH "^[^ \t]+" picture "${line}")
  if(picture MATCHES "^Images/")
    list(APPEND picture_outputs ${ORVANE_GENERATED_DIR}/${picture})
    string(APPEND qrc_entries "    <file alias=\"${picture}\">${ORVANE_GENERATED_DIR}/${picture}</file>\n")
  else()
    list(APPEND picture_outputs ${PROJECT_BINARY_DIR}/${picture})
  endif()
endforeach()

add_custom_command(
  OUTPUT ${picture_outputs}
  COMMAND picgen ${picture_list} ${ORVANE_GENERATED_DIR} ${PROJECT_BINARY_DIR}
  DEPENDS picgen ${picture_list}
  COMMENT "Drawing pictures"
  VERBATIM)

configure_file(${PROJECT_SOURCE_DIR}/resources/orvane.qrc.in ${ORVANE_GENERATED_DIR}/orvane.qrc @ONLY)

set_source_files_properties(${lang_outputs} ${picture_outputs} PROPERTIES GENERATED TRUE)
qt5_add_resources(ORVANE_RESOURCE_SOURCES ${ORVANE_GENERATED_DIR}/orvane.qrc)
add_custom_target(orvane_generated DEPENDS ${lang_outputs} ${picture_outputs})
