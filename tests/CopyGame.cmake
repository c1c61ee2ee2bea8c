# cmake -DSRC=game -DDST=copy -P CopyGame.cmake: a fresh copy of a game
# folder, for a test run that may write into it.
file(REMOVE_RECURSE "${DST}")
file(MAKE_DIRECTORY "${DST}")
file(COPY "${SRC}/" DESTINATION "${DST}")
