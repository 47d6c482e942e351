# How a target of the tree sees the rest of it.
#
# velmora_public_folder(target folder) makes the source folder (relative to
# the repository root, e.g. "store" or "addressbook/model") the public include
# path of target, and nothing else of the tree: the build tree gets
# include/<target>/<folder> as a link to the source folder, and
# include/<target> becomes the include directory. Headers are therefore
# written from the repository root ("store/Result.h"), and a library sees
# only its own folder and those of the libraries it links.
function(velmora_public_folder target folder)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# Warnings. Every target links velmora_warnings (-Wall -Wextra) privately;
# the programs and libraries link velmora_production_warnings instead, which
# adds -Werror when VELMORA_WERROR is on (CI turns it on). Tests, benchmarks
# and fuzz targets warn but never fail on a warning.
add_library(velmora_warnings INTERFACE)
target_compile_options(velmora_warnings INTERFACE -Wall -Wextra)
add_library(velmora_production_warnings INTERFACE)
target_link_libraries(velmora_production_warnings INTERFACE velmora_warnings)
if(VELMORA_WERROR)
  target_compile_options(velmora_production_warnings INTERFACE -Werror)
endif()

# velmora_production(target folder): a program or library target of the tree
# with its public folder and the production warnings.
function(velmora_production target folder)
  velmora_public_folder(${target} ${folder})
  target_link_libraries(${target} PRIVATE velmora_production_warnings)
endfunction()

# velmora_qt(target): runs moc and rcc for this target only.
function(velmora_qt target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
endfunction()
