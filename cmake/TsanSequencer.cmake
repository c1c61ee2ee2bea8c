# The sequencer, synthesizer and audio threads under ThreadSanitizer: only
# the layers that tools/tsan_sequencer.cpp runs (the sound layer and what it
# stands on) are built, not the whole engine (`make tsan` builds just this
# target).
add_executable(tsan_sequencer tools/tsan_sequencer.cpp)
target_link_libraries(tsan_sequencer PRIVATE mirt_sound)
