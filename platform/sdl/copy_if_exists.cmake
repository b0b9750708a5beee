# Copies SOURCE to DESTINATION when SOURCE exists; does nothing otherwise.
if(EXISTS "${SOURCE}")
  file(COPY_FILE "${SOURCE}" "${DESTINATION}" ONLY_IF_DIFFERENT)
endif()
