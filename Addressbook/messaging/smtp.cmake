# Addressbook/messaging/smtp.cmake: corvane_smtp, the SMTP mailer with its socket, cancel link and
# server lookups. Included once from the messaging build (guarded by if(NOT TARGET corvane_smtp)).
add_library(corvane_smtp STATIC
  ${PROJECT_SOURCE_DIR}/Addressbook/messaging/cancel_link.cpp
  ${PROJECT_SOURCE_DIR}/Addressbook/messaging/socket.cpp
  ${PROJECT_SOURCE_DIR}/Addressbook/messaging/smtp_mailer.cpp
  ${PROJECT_SOURCE_DIR}/Addressbook/messaging/smtp_server_lookup.cpp
)
if(WIN32)
  target_sources(corvane_smtp PRIVATE ${PROJECT_SOURCE_DIR}/Addressbook/messaging/send_progress_win.cpp)
endif()
brevolt_target(corvane_smtp)
target_include_directories(corvane_smtp PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(corvane_smtp PUBLIC corvane_strings brevolt_common)
