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
