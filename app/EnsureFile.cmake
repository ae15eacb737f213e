# Copies SRC to DST only when DST is missing, so a run's own settings survive a rebuild.
if(NOT EXISTS "${DST}")
    file(READ "${SRC}" content)
    file(WRITE "${DST}" "${content}")
endif()
