# Reads `apt-cache policy P:amd64 P:i386 ...` and prints "P VERSION" for each installed amd64
# package whose two halves would not stand at one version: apt would take the amd64 half to a
# version (its candidate) that the registry does not offer for i386. VERSION is the installed
# version where the registry offers it for both architectures (nothing changes), else the highest
# version that it offers for both, in dpkg's order (empty where there is none). A version that only
# the local status file knows is not offered.
#   awk -f scripts/wine32-versions.awk POLICY
function flush_version() {
    if (version != "" && offered) available[name, version] = 1
    version = ""; offered = 0
}
/^[^ ].*:$/ {
    flush_version()
    name = substr($0, 1, length($0) - 1)
    arch = "amd64"
    if (name ~ /:i386$/) { arch = "i386"; sub(/:i386$/, "", name) }
    sub(/:amd64$/, "", name)
    name = name ":" arch
    names[name] = 1
    next
}
/^  Installed: / { installed[name] = $2; next }
/^  Candidate: / { candidate[name] = $2; next }
/^ (\*\*\*|   ) [^ ]+ -?[0-9]+$/ { flush_version(); version = $(NF - 1); versions[name] = versions[name] " " version; next }
/^        -?[0-9]+ / { if ($0 !~ /\/var\/lib\/dpkg\/status$/) offered = 1; next }
END {
    flush_version()
    for (n in names) {
        if (n !~ /:amd64$/) continue
        base = substr(n, 1, length(n) - 6)
        if (installed[n] == "" || installed[n] == "(none)" || !((base ":i386") in names)) continue
        if ((base ":i386", candidate[n]) in available) continue
        if ((n, installed[n]) in available && (base ":i386", installed[n]) in available) {
            print base, installed[n]
            continue
        }
        # The highest version offered for both, in dpkg's order, found with dpkg itself.
        best = ""
        split(versions[n], list, " ")
        for (i in list) {
            v = list[i]
            if (!((n, v) in available) || !((base ":i386", v) in available)) continue
            if (best == "" || system("dpkg --compare-versions '" v "' gt '" best "'") == 0) best = v
        }
        print base, best
    }
}
