# installer/copy_forms.cmake: cmake -D FROM=<folders> -D TO=<folder> -P: copies the five SMS form
# templates from the first of FROM that holds them all; fails naming the folders when none does.
set(forms AppointmentNoRemindNoAttendee.oft AppointmentYesRemindNoAttendee.oft AppointmentYesRemindYesAttendee.oft
          TaskNoRemind.oft TaskYesRemind2.oft)
foreach(dir ${FROM})
  set(complete TRUE)
  foreach(form ${forms})
    if(NOT EXISTS ${dir}/${form})
      set(complete FALSE)
    endif()
  endforeach()
  if(complete)
    file(MAKE_DIRECTORY ${TO})
    foreach(form ${forms})
      file(COPY_FILE ${dir}/${form} ${TO}/${form} ONLY_IF_DIFFERENT)
    endforeach()
    return()
  endif()
endforeach()
message(FATAL_ERROR "The SMS form templates are in none of: ${FROM}. Build the native preset first "
                    "(cmake --build --preset native --target ol_form_templates).")
