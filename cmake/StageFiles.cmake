# cmake -DFROM=<folder> -DTO=<folder> -DFILES=<names> -P StageFiles.cmake
# Copies the named files when they changed, and fails with a plain word when one is missing.
foreach(name IN LISTS FILES)
  if(NOT EXISTS "${FROM}/${name}")
    message(FATAL_ERROR "${FROM}/${name} is missing: build the 32-bit program first (make package does)")
  endif()
  get_filename_component(folder "${TO}/${name}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${FROM}/${name}" "${TO}/${name}" ONLY_IF_DIFFERENT)
endforeach()
