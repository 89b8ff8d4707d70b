.pragma library

// The expanded sections of the tips and security sheets are kept as lists of stable
// identifiers in the dashboard's view state.

// `list` with `id` added when absent, removed when present; a new list, so that the
// property holding it notifies.
function toggled(list, id) {
    const current = list || []
    return current.indexOf(id) >= 0 ? current.filter(entry => entry !== id) : current.concat([id])
}

function contains(list, id) {
    return (list || []).indexOf(id) >= 0
}
