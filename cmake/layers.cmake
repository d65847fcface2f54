# The program's layers: one static library per folder of src/, each built with an
# include root that holds only the folders it may use, so an include against the
# order fails to compile and a call against it fails to link.
#   ui  <-  pictures  <-  browse  <-  app
#             ^  ^---- fullscreen <----'
#   ui  <-  about  <------------------'
set(PIX_LAYERS ui pictures browse fullscreen about app)
set(PIX_USES_ui "")
set(PIX_USES_pictures ui)
set(PIX_USES_browse ui pictures)
set(PIX_USES_fullscreen ui pictures)
set(PIX_USES_about ui)
set(PIX_USES_app ui pictures browse fullscreen about)

# The include root of one layer: links to its own folder and the folders below.
# Where links can't be made (Windows without the right to), every layer sees all
# of src/ and only the link order guards the layers.
function(pix_layer_root layer out)
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${layer} ${PIX_USES_${layer}})
    if(NOT IS_SYMLINK ${root}/${folder})
      file(CREATE_LINK ${PIX_ROOT}/src/${folder} ${root}/${folder} SYMBOLIC RESULT failed)
      if(failed)
        message(WARNING "layers: no link ${root}/${folder} (${failed}); includes are not checked")
        set(${out} ${PIX_ROOT}/src PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# pix_add_layers(<core_only> <libraries every layer links>...): the libraries
# pix_<layer>; with core_only, of the platform-free files alone. pixlayers links
# them all and gives its users the whole of src/.
function(pix_add_layers core_only)
  foreach(layer ${PIX_LAYERS})
    file(GLOB sources CONFIGURE_DEPENDS ${PIX_ROOT}/src/${layer}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/app/main\\.cpp$")
    if(core_only)
      list(FILTER sources INCLUDE REGEX "_core\\.cpp$")
    endif()
    set(lower)
    foreach(used ${PIX_USES_${layer}})
      list(APPEND lower pix_${used})
    endforeach()
    if(sources)
      pix_layer_root(${layer} root)
      add_library(pix_${layer} STATIC ${sources})
      target_include_directories(pix_${layer} PRIVATE ${root})
      target_compile_options(pix_${layer} PRIVATE ${PIX_WARNINGS})
      target_link_libraries(pix_${layer} PUBLIC ${lower} ${ARGN})
    else()
      add_library(pix_${layer} INTERFACE)
      target_link_libraries(pix_${layer} INTERFACE ${lower} ${ARGN})
    endif()
  endforeach()
  add_library(pixlayers INTERFACE)
  target_include_directories(pixlayers INTERFACE ${PIX_ROOT}/src)
  target_link_libraries(pixlayers INTERFACE pix_app)
endfunction()
