# Sourced by the shell tests that watch a program end on its own.

# The status of process $1 once it ends within $2 seconds; 255 with "still running" when it does not.
wait_for_end() {
    for _ in $(seq $(($2 * 20))); do
        if ! kill -0 "$1" 2>/dev/null; then
            wait "$1"
            return $?
        fi
        sleep 0.05
    done
    echo "still running"
    return 255
}
