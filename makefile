# Builds the engine in Release through CMake, the way distributed testing
# frameworks build an engine from its repository root:
#
#   make -j EXE=/path/to/engine    # the engine, copied to /path/to/engine
#   make -j                        # the engine, copied to ./velkor
#   make clean                     # removes the build folder and $(EXE)
#
# The build has a folder of its own, build-make, with the tests left out,
# so that it needs only make, cmake and a C++20 compiler and never touches
# the developers' build folder.

EXE ?= velkor
BUILD_DIR := build-make
CMAKE ?= cmake

.PHONY: all engine clean

all: engine
	mkdir -p "$(dir $(EXE))"
	cp $(BUILD_DIR)/velkor "$(EXE)"

# Always handed to CMake's own makefiles, which know what is out of date;
# "+" lets them share the jobs given with -j.
engine: $(BUILD_DIR)/Makefile
	+$(MAKE) -C $(BUILD_DIR) velkor

$(BUILD_DIR)/Makefile:
	$(CMAKE) -S . -B $(BUILD_DIR) -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF

clean:
	rm -rf $(BUILD_DIR)
	rm -f "$(EXE)"
