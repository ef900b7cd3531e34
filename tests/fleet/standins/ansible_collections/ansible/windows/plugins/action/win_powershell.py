# The stand-in of the module of this name (standin.py).
from ansible_collections.ansible.windows.plugins.action.standin import ActionModule  # noqa: F401
