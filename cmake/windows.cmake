# (filled in by the windows work)
