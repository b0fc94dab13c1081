# The plain C++ pieces of the platform (registration store, COM creation, atomic file
# writes and the scratch journal), so that libwavsink.so can write its entries without
# pulling in the platform layer's Qt and SDL parts.
set(VELTRA_REGISTRY_SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_store.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/com_create.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/scratch_journal.cpp)
add_library(veltra_registry STATIC ${VELTRA_REGISTRY_SOURCES})
set_target_properties(veltra_registry PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(veltra_registry PUBLIC ${CMAKE_DL_LIBS})
# The binary interfaces (COM, the sound device, events) are headers alone: tunewell and
# the plug-in build on them without linking any of the program.
add_library(veltra_platform_abi INTERFACE)
veltra_offer_headers(veltra_platform_abi INTERFACE platform)
target_link_libraries(veltra_registry PUBLIC veltra_platform_abi)
