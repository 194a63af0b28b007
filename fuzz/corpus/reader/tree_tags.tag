@<HEAD>
<meta HTTP-EQUIV="DC.Creator.CorporateName" CONTENT="Club">
<meta HTTP-EQUIV="DC.Subject.Topic" CONTENT="News">
</HEAD>
