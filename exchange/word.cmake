add_library(kit_word STATIC ${CMAKE_CURRENT_LIST_DIR}/word_access.cpp ${CMAKE_CURRENT_LIST_DIR}/word_members.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/word_documents.cpp ${CMAKE_CURRENT_LIST_DIR}/word_upload.cpp)
target_link_libraries(kit_word PUBLIC kit_ports kit_remark kit_exchange)
target_include_directories(kit_word PUBLIC ${PROJECT_SOURCE_DIR})
