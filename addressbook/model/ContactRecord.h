// The contact record of the address book in one include: its byte layout
// (ContactLayout.h), the value type over it (Contact.h), the validity rules
// (ContactRules.h), what the contact list shows and sorts by
// (ContactList.h), what a row shows (ContactRows.h), loading and searching
// the list (ContactSearch.h) and the sample contacts of a new file (SampleContacts.h).
// The field catalogues and the duplicate test that import, export and mail
// merge use live in importexport/.
#pragma once

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactLayout.h"
#include "addressbook/model/ContactList.h"
#include "addressbook/model/ContactRows.h"
#include "addressbook/model/ContactSearch.h"
#include "addressbook/model/ContactRules.h"
#include "addressbook/model/SampleContacts.h"
