# The Windows installer and zip of the mingw build, named after the project
# version: quorvane-<version>-x64.msi (wixl) and quorvane-<version>-x64.zip
# (the two programs and the README). Target quorvane_windows_dist builds both
# with the programs they hold.
if(NOT TARGET quorvane_windows_program)
  message(WARNING "No window program (target quorvane_windows_program): no .msi or .zip")
  add_custom_target(quorvane_windows_dist ALL DEPENDS quorvane_tag_program)
  return()
endif()

find_program(QUORVANE_WIXL wixl REQUIRED)
find_program(QUORVANE_MSIBUILD msibuild REQUIRED)

set(dist_name quorvane-${PROJECT_VERSION}-x64)
set(msi ${QUORVANE_PROGRAM_DIR}/${dist_name}.msi)
set(zip ${QUORVANE_PROGRAM_DIR}/${dist_name}.zip)
set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
set(stage ${packaging_dir}/${dist_name})
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvane.wxs.in ${packaging_dir}/quorvane.wxs @ONLY)
# An imported table that only sets the database's code page.
file(WRITE ${packaging_dir}/_ForceCodepage.idt "\r\n\r\n932\t_ForceCodepage\r\n")

# The files as they are handed out, under their own names: wixl takes its
# sources by relative name only.
add_custom_command(OUTPUT ${stage}/quorvane.exe ${stage}/quorvane-tag.exe ${stage}/README.md
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quorvane_windows_program> ${stage}/quorvane.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quorvane_tag_program> ${stage}/quorvane-tag.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${stage}/README.md
  DEPENDS quorvane_windows_program quorvane_tag_program ${PROJECT_SOURCE_DIR}/README.md
  VERBATIM)

# wixl builds the database with ASCII tokens for the Japanese texts, then
# msibuild sets code page 932 and puts the texts in their place.
set(publisher "office ぽるめに")
set(downgrade "${PROJECT_NAME} の新しい版がすでにインストールされています。")
add_custom_command(OUTPUT ${msi}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${msi}
  COMMAND ${QUORVANE_WIXL} -a x64 -D WindowProgram=quorvane.exe -D TagProgram=quorvane-tag.exe
          -o ${msi}.tmp ${packaging_dir}/quorvane.wxs
  COMMAND ${QUORVANE_MSIBUILD} ${msi}.tmp -i ${packaging_dir}/_ForceCodepage.idt
  COMMAND ${QUORVANE_MSIBUILD} ${msi}.tmp
          -q "UPDATE Property SET Value = '${publisher}' WHERE Property = 'Manufacturer'"
          -q "UPDATE Shortcut SET Description = '${PROJECT_DESCRIPTION}' WHERE Shortcut = 'QuorvaneShortcut'"
          -q "UPDATE LaunchCondition SET Description = '${downgrade}' WHERE Description = 'DOWNGRADE'"
          -s ${PROJECT_NAME} ${publisher} "x64$<SEMICOLON>1041"
  COMMAND ${CMAKE_COMMAND} -E rename ${msi}.tmp ${msi}
  WORKING_DIRECTORY ${stage}
  DEPENDS ${packaging_dir}/quorvane.wxs ${stage}/quorvane.exe ${stage}/quorvane-tag.exe
  COMMENT "Packing ${dist_name}.msi"
  VERBATIM)

# The zip unpacks into one folder named like the file.
add_custom_command(OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
          ${dist_name}/quorvane.exe ${dist_name}/quorvane-tag.exe ${dist_name}/README.md
  WORKING_DIRECTORY ${packaging_dir}
  DEPENDS ${stage}/quorvane.exe ${stage}/quorvane-tag.exe ${stage}/README.md
  COMMENT "Packing ${dist_name}.zip"
  VERBATIM)

add_custom_target(quorvane_windows_dist ALL DEPENDS ${msi} ${zip})
