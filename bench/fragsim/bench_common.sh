# Shell functions shared by the fragsim benchmark scripts (sourced).

# Builds fragsim of git revision $2 of the repository $1 in Release, its
# sources by git archive into a folder below the work directory $3, once per
# revision; prints the build directory.
build_revision() {
    local repo=$1 rev src
    rev=$(git -C "$repo" rev-parse --verify "$2^{commit}")
    src=$3/baseline-$rev
    if [ ! -x "$src/build/fragsim/fragsim" ]; then
        rm -rf "$src" && mkdir -p "$src"
        git -C "$repo" archive "$rev" | tar -x -C "$src"
        cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
        cmake --build "$src/build" --target fragsim >/dev/null
    fi
    echo "$src/build"
}

# The second of the day of each wall-time line of the fragsim console $1, one
# a line.
wall_times() {
    grep 'Wall time' "$1" | awk '{print ($(NF-3) + 0) * 3600 + ($(NF-2) + 0) * 60 + ($(NF-1) + 0) + $NF / 1000}'
}
