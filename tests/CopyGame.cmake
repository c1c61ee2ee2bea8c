# cmake -DSRC=game -DDST=copy -P CopyGame.cmake: a fresh copy of a game
# folder, for a test run that may write into it. What an earlier play of
# the folder left there (the settings file, save slots, the demo's variable
# file) is not copied, so every run starts as a first one.
file(REMOVE_RECURSE "${DST}")
file(MAKE_DIRECTORY "${DST}")
file(COPY "${SRC}/" DESTINATION "${DST}"
     PATTERN "mirt.ini" EXCLUDE PATTERN "Data_*.dat" EXCLUDE PATTERN "system.dat" EXCLUDE)
